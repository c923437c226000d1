// The "FLT Cutoff" curve, shared by the intake and the value text.
#pragma once

#include <cstdint>

#include "machine/constants.h"
#include "machine/portable_math.h"

// The highest cutoff the curve reaches: half the sample rate, never above 22050 Hz.
inline double cutoffCap(int32_t sampleRate) {
    return sampleRate < kReferenceRate ? sampleRate * 0.5 : kNyquistCap;
}

// 2^(x^2) - 1 of the cap, x the value's share of its range, so the low end gets most of the
// travel. Every stage before the last product is held in single precision: values up to 19
// give exactly 0 Hz. The product is left in double precision for the caller to round or
// truncate.
inline double cutoffCurve(int32_t value, int32_t sampleRate) {
    const float share = static_cast<float>(value / kCutoffParameterTop);
    const float squared = static_cast<float>(static_cast<double>(share) * share);
    const float power = static_cast<float>(portable::exp2(static_cast<double>(squared)));
    return (static_cast<double>(power) - 1.0) * cutoffCap(sampleRate);
}
