// The library's two entry points, by plain C name.
#pragma once

#include "host/abi.h"
#include "host/descriptors.h"
#include "host/machine_interface.h"

HOST_EXPORT const MachineDescription* GetInfo();
HOST_EXPORT CMachineInterface* CreateMachine();
