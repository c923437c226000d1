// Samples between the machine's scale (full scale ±32768) and the unit scale of audio files and
// plug-in hosts (±1). Both directions multiply by a power of two, which is exact, except that a
// machine output too small to stay a normal float at unit scale becomes zero: the machine
// renders without subnormal numbers, and nothing it hands on should carry one either.
#pragma once

#include <bit>
#include <cstdint>
#include <limits>

#include "host/conventions.h"

inline constexpr float kHostScale = static_cast<float>(kFullScale);
inline constexpr float kUnitScale = 1.0f / kHostScale;
inline constexpr float kSmallestUnitScaled = std::numeric_limits<float>::min() * kHostScale;

// Compared on the bits, where non-negative floats order as integers, so that the loops over a
// block run several samples at a time.
inline float hostToUnit(float sample) {
    const uint32_t magnitude = std::bit_cast<uint32_t>(sample) & 0x7fffffffu;
    const uint32_t keep = magnitude < std::bit_cast<uint32_t>(kSmallestUnitScaled) ? 0u : ~0u;
    return std::bit_cast<float>(std::bit_cast<uint32_t>(sample * kUnitScale) & keep);
}
