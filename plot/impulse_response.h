// A unit impulse through a machine with a setting, rendered the way `render` renders a file:
// on the host's tick schedule, the setting sent at the first tick.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/machine_code.h"

namespace plot {

enum class ImpulseSide { Both, Left, Right };

struct ImpulseSettings {
    int32_t sampleRate = 44100;
    int32_t samplesPerTick = 5250;
    std::vector<int> values;  // every parameter's value, sent at the first tick
    ImpulseSide side = ImpulseSide::Both;
    int64_t frames = 0;  // frames rendered from the impulse's frame on
};

struct ImpulseResponse {
    int32_t sampleRate = 44100;
    int32_t samplesPerTick = 5250;
    int64_t leadInFrames = 0;  // frames rendered before the impulse
    // Output at the impulse's frame, relative to the impulse: the dry signal alone.
    std::array<float, 2> dry{};
    // Left and right output from the impulse's frame on, relative to the impulse; entry 0 is 0,
    // since no echo sounds before a frame has passed. This is the wet signal.
    std::array<std::vector<float>, 2> wet;
};

// The impulse has the host's full scale (32768, 1.0 in a sound file). It enters once every
// control has glided to its value, Inertia + 1 ticks after the start, at a tick boundary.
// core::HostError when the code gives no machine.
ImpulseResponse renderImpulse(const core::MachineCode& code, const ImpulseSettings& settings);

}  // namespace plot
