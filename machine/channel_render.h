// The machine's render for hosts that link its code and hold their audio as separate channels
// at unit scale (±1 full scale), as plug-in formats do.
#pragma once

#include <cstdint>

#include "host/machine_interface.h"

// Renders `count` frames (any count from 0; longer calls run in pieces of at most 256 frames,
// as RenderStereo's do) with input and output, as RenderStereo's work mode 3 does, in the same
// floating-point environment. The output is bit for bit what unitToHost on every input sample,
// RenderStereo on the interleaved frames and hostToUnit on every output sample give. The output
// channels may be the input channels' memory, or any other (but not each other's). False, with
// nothing touched, for a machine without its buffers, as RenderStereo.
bool renderChannels(CMachineInterface* machine, const float* inLeft, const float* inRight,
                    float* outLeft, float* outRight, int32_t count);
