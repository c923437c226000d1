// The library's two entry points and the machine's lifecycle operations.
#include "machine/exports.h"

#include <new>

#include "host/abi.h"
#include "machine/about_box.h"
#include "machine/machine.h"
#include "machine/parameters.h"
#include "platform/float_environment.h"

namespace {
constexpr const char* kAboutText =
    "Tarvo Delay v1.0\n"
    "\n"
    "Stereo delay with offset lines, feedback loops,\n"
    "chorus, filter and sample-and-hold.\n"
    "(c) Tarvo Audio";
}

HOST_EXPORT const MachineDescription* GetInfo() { return &kMachineDescription; }

HOST_EXPORT CMachineInterface* CreateMachine() {
    // Value-initialisation zeroes every field before the header is set.
    mi* machine = new (std::nothrow) mi();
    if (machine == nullptr) return nullptr;
    machine->globalValues = &machine->globalValueRecord;
    machine->trackValues = nullptr;
    machine->attributeValues = nullptr;
    machine->mdkHelper = nullptr;
    machine->sdkMarker = kSdkMarker;
    machine->delayBufferA = nullptr;
    machine->delayBufferB = nullptr;
    machine->chorusBufferLeft = nullptr;
    machine->chorusBufferRight = nullptr;
    machine->delayPosLeft = machine->delayPosRight = 0;
    machine->offsetPosLeft = machine->offsetPosRight = 0;
    return machine;
}

void* HOST_CALL mi::Destroy(uint32_t deleteFlag) {
    releaseBuffers();
    if (mdkHelper != nullptr) {
        mdkHelper->DestroyHelper(1);
        mdkHelper = nullptr;
    }
    void* self = this;
    if (deleteFlag & 1) delete this;
    return self;
}

void HOST_CALL mi::SetUp(DataInput*) {
    const FloatEnvironment environment(FloatEnvironment::kKeepSubnormals);
    mdkHelper->SelectOutputChannels(1);
    setUp();
}

void HOST_CALL mi::WriteState(DataOutput* output) {
    const int32_t value = kSaveDataValue;
    output->WriteBytes(&value, sizeof value);
}

void HOST_CALL mi::RunCommand(int32_t command) {
    if (command == 0) showAboutBox(kAboutText);
}
