// A unit impulse through a machine with a setting, rendered the way `render` renders a file:
// on the host's tick schedule, the setting sent at the first tick.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "cli/parameter_table.h"
#include "offline/plugin_library.h"

namespace cli {

enum class ImpulseSide { Both, Left, Right };

struct ImpulseSettings {
    int32_t sampleRate = 44100;
    int32_t samplesPerTick = 5250;
    std::vector<ParameterValue> values;  // laid over the defaults at the first tick
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
ImpulseResponse renderImpulse(const offline::PluginLibrary& library,
                              const ImpulseSettings& settings);

// The value a setting gives a parameter: its last assignment, or its default.
int settingValue(const std::vector<ParameterValue>& values, const ParameterTable& table, int index);

}  // namespace cli
