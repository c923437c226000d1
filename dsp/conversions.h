// Conversions that stay defined for values no host should send.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace dsp {

// Truncation toward zero. Inside the 32-bit range it is the plain conversion; beyond it the
// value stays in floating point, so no conversion ever leaves the range of its integer type.
inline double truncateTowardZero(double value) {
    constexpr double kInt32Limit = 2147483648.0;
    if (std::fabs(value) < kInt32Limit) return static_cast<double>(static_cast<int32_t>(value));
    return std::trunc(value);
}

// Rounding to single precision where a finite result could exceed its range: the largest
// float instead of an infinity, which would never leave a feedback loop or filter history
// again and would turn into NaN in the mix. Within the range it is the plain rounding, and
// what was already infinite or NaN (only ever a host's own sample) stays so.
inline float saturateToFloat(double value) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (std::fabs(value) > kLargest && std::isfinite(value))
        return static_cast<float>(std::copysign(kLargest, value));
    return static_cast<float>(value);
}

// The same holding for a value rounded from a finite result, where an infinity can only be
// such an overflow: it becomes the largest float of its sign, the next value below it in the
// bits. Written without branches on the bits, so that loops run it several values at a time.
inline float heldInRange(float value) {
    uint32_t bits = std::bit_cast<uint32_t>(value);
    bits -= (bits & 0x7fffffffu) == 0x7f800000u ? 1u : 0u;
    return std::bit_cast<float>(bits);
}

// The same for loops that run value by value: there a branch that is in practice never taken
// costs next to nothing, where the bit manipulation would take a detour through the integer
// registers, on the chain from one sample to the next where there is one.
inline float heldInRangeByBranch(float value) {
    constexpr float kLargest = std::numeric_limits<float>::max();
    if (std::isinf(value)) [[unlikely]]
        value = std::copysign(kLargest, value);
    return value;
}

// The one NaN the machine itself writes into the host's buffer, from input no host should send
// (an infinite sample times a dry gain of 0, or infinities of opposite signs summed to mono):
// the quiet NaN with the sign bit set and no payload, 0xffc00000, which x86 processors make of
// an invalid operation. Other processors make other bits of it (aarch64 clears the sign), so
// there the result is replaced. A NaN the host sent passes on as the arithmetic carries it.
inline constexpr uint32_t kMachineNaNBits = 0xffc00000u;
#if defined(__x86_64__) || defined(__i386__)
inline constexpr bool kProcessorMakesMachineNaN = true;
#else
inline constexpr bool kProcessorMakesMachineNaN = false;
#endif

// `result` of operations on `a` and `b`: the machine's own NaN when it is a NaN that neither
// operand was.
inline float settledNaN(float result, float a, float b) {
    if constexpr (kProcessorMakesMachineNaN) return result;
    const bool made = result != result && a == a && b == b;
    return made ? std::bit_cast<float>(kMachineNaNBits) : result;
}

// Whether no value is an infinity or NaN: an exponent of all ones carries into the top bit.
// Written on the bits so that the check runs several values at a time.
inline bool allFinite(const float* values, int32_t count) {
    uint32_t carry = 0;
    for (int32_t i = 0; i < count; ++i)
        carry |= (std::bit_cast<uint32_t>(values[i]) & 0x7f800000u) + 0x00800000u;
    return (carry & 0x80000000u) == 0;
}

}  // namespace dsp
