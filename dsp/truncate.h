// Truncation toward zero for values of any size. Inside the 32-bit range it is the plain
// conversion; beyond it (only for inputs no host should send) it stays in floating point, so
// no conversion ever leaves the range of its integer type.
#pragma once

#include <cmath>
#include <cstdint>

namespace dsp {

inline double truncateTowardZero(double value) {
    constexpr double kInt32Limit = 2147483648.0;
    if (std::fabs(value) < kInt32Limit) return static_cast<double>(static_cast<int32_t>(value));
    return std::trunc(value);
}

}  // namespace dsp
