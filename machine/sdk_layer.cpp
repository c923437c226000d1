// The SDK layer's link between a machine and the host's helper object.
#include "host/machine_interface.h"

void HOST_CALL CMDKMachineInterface::Initialize(DataInput* data) {
    mdkHelper = hostCallbacks->RequestHelper(-1, -1);
    mdkHelper->machine = this;
    auto* extensionObject = static_cast<CMDKMachineInterfaceEx*>(ExtensionObject());
    extensionObject->helper = mdkHelper;
    hostCallbacks->RegisterExtension(extensionObject);
    mdkHelper->InitializeHelper(data);
}
