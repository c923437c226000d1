// The machine's code linked into this program (a plug-in, a test, a benchmark), as our hosts
// run it. Only programs that link the machine's objects include this.
#pragma once

#include "core/machine_code.h"
#include "machine/channel_render.h"
#include "machine/exports.h"

namespace core {

inline MachineCode linkedMachine() { return {GetInfo(), &CreateMachine, &renderChannels}; }

}  // namespace core
