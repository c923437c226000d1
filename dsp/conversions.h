// Conversions that stay defined for values no host should send.
#pragma once

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

}  // namespace dsp
