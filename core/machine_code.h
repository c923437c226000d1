// The machine a host runs: its description and the function that creates one, from a library
// loaded by path or from code linked in. Code linked in also renders separate channels.
#pragma once

#include <cstdint>

#include "host/descriptors.h"
#include "host/machine_interface.h"

namespace core {

using CreateFunction = CMachineInterface* (*)();
// Separate channels at unit scale, input and output (which may be the same buffers).
using ChannelRenderFunction = bool (*)(CMachineInterface* machine, const float* inLeft,
                                       const float* inRight, float* outLeft, float* outRight,
                                       int32_t count);

struct MachineCode {
    const MachineDescription* description = nullptr;
    CreateFunction create = nullptr;
    ChannelRenderFunction renderChannels = nullptr;  // code linked in only
};

// The most parameters a description may list: the machine's own count, and the most a record
// the host lays out for it holds.
inline constexpr int kMostParameters = 36;

}  // namespace core
