// What the music host defines and every host of the machine keeps to: the work modes of a
// render, the full scale of its buffers, the tempo it starts with, and how the machine's
// tick-based values count ticks.
#pragma once

#include <cstdint>

// What a render call asks for: nothing, input but no output, output but no input, or both.
inline constexpr int32_t kWorkModeNone = 0;
inline constexpr int32_t kWorkModeInputOnly = 1;
inline constexpr int32_t kWorkModeOutputOnly = 2;
inline constexpr int32_t kWorkModeInputOutput = 3;

// The host's full-scale sample value: its buffers run from -32768 to 32768.
inline constexpr double kFullScale = 32768.0;

// The tempo a session has until someone sets another.
inline constexpr double kDefaultTempo = 126.0;  // beats per minute
inline constexpr int32_t kDefaultTicksPerBeat = 4;

// Delay and offset values up to kTickValueLimit count thousandths of a tick and follow the
// tempo; larger ones count samples beyond kTickValueLimit.
inline constexpr int32_t kTickValueLimit = 32000;
inline constexpr int32_t kThousandthsPerTick = 1000;
// Oscillator rates count half-ticks per cycle.
inline constexpr double kTicksPerRateStep = 0.5;

// Samples of a delay or offset value. The product with the samples per tick is formed in 64
// bits: at very slow tempos it no longer fits in 32.
inline int64_t lineSamplesFor(int32_t value, int32_t samplesPerTick) {
    if (value <= kTickValueLimit) return int64_t{samplesPerTick} * value / kThousandthsPerTick;
    return int64_t{value} - kTickValueLimit;
}
