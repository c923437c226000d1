// Samples between the machine's scale (full scale ±32768) and the unit scale of audio files and
// plug-in hosts (±1). Both directions multiply by a power of two, which is exact, except that a
// machine output too small to stay a normal float at unit scale becomes zero: the machine
// renders without subnormal numbers, and nothing it hands on should carry one either.
#pragma once

#include <cmath>
#include <limits>

inline constexpr float kHostScale = 32768.0f;
inline constexpr float kUnitScale = 1.0f / kHostScale;
inline constexpr float kSmallestUnitScaled = std::numeric_limits<float>::min() * kHostScale;

inline float hostToUnit(float sample) {
    return std::fabs(sample) < kSmallestUnitScaled ? 0.0f : sample * kUnitScale;
}
