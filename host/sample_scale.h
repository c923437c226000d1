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

// A host's sample in the machine's scale. Input no host should send (NaN, an infinity, or a
// value that does not stay finite once scaled, such as 3e38) enters as silence; every other
// sample comes in exactly scaled. It is worked out on the bits, branch-free, so that loops over
// a block run several samples at a time, and gives the same bits whatever floating-point
// environment it runs in: no rounding mode turns an overflow into the largest float, and no
// flushing of subnormal operands loses a subnormal sample. A normal sample's exponent moves up
// by the scale's steps; a subnormal one, its significand s standing for s x 2^-149, becomes
// s x 2^-134, whose bits are s shifted by the steps while it is still subnormal (up to
// s = 2^8), and above that the exact float of s with its exponent moved down by 149 - 15.
inline float unitToHost(float sample) {
    constexpr uint32_t kSign = 0x80000000u, kInfinity = 0x7f800000u, kSmallestNormal = 0x00800000u;
    constexpr int kSteps = std::countr_zero(static_cast<uint32_t>(kHostScale));
    static_assert(std::has_single_bit(static_cast<uint32_t>(kHostScale)));
    constexpr uint32_t kLastSubnormalShifted = kSmallestNormal >> kSteps;
    const uint32_t bits = std::bit_cast<uint32_t>(sample);
    const uint32_t magnitude = bits & ~kSign;
    const uint32_t normal =
        magnitude + (uint32_t{kSteps} << 23);  // at least kInfinity if too large
    const uint32_t significand =
        std::bit_cast<uint32_t>(static_cast<float>(static_cast<int32_t>(magnitude)));
    const uint32_t subnormal = magnitude <= kLastSubnormalShifted
                                   ? magnitude << kSteps
                                   : significand - ((149u - kSteps) << 23);
    const uint32_t scaled = magnitude < kSmallestNormal ? subnormal : normal;
    const uint32_t keep = scaled < kInfinity ? ~0u : 0u;
    return std::bit_cast<float>(((bits & kSign) | scaled) & keep);
}

// The two rules in fewer operations, for loops that run where the floating-point environment
// flushes subnormal numbers (platform/float_environment.h), as the render does.
//
// unitToHost of a sample that is not subnormal: the plain product, exact but where it
// overflows (to an infinity, rounding to nearest as the render does), which enters as silence
// as anything not finite does. A subnormal sample, read as zero there, is the one whose bits
// may differ: subnormalKey tells a loop whether a block has any, which then takes unitToHost.
inline float unitToHostUnlessSubnormal(float sample) {
    const float scaled = sample * kHostScale;
    const uint32_t keep = scaled - scaled == 0.0f ? ~0u : 0u;  // not for infinities and NaN
    return std::bit_cast<float>(std::bit_cast<uint32_t>(scaled) & keep);
}

// The magnitude's bits less one: below kSubnormalKeys exactly for a subnormal sample, so that
// the least over a block tells whether it has one.
inline uint32_t subnormalKey(float sample) {
    return (std::bit_cast<uint32_t>(sample) & 0x7fffffffu) - 1u;
}
inline constexpr uint32_t kSubnormalKeys = 0x007fffffu;

// hostToUnit where subnormal results and operands become zero: the product, which keeps the
// sign of a result flushed to zero, plus +0, which makes that zero positive as hostToUnit does.
inline float hostToUnitFlushed(float sample) { return sample * kUnitScale + 0.0f; }
