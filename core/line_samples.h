// The samples a delay or offset value asks for at a tempo, as the machine converts it, and held
// to the four seconds its lines hold.
#pragma once

#include <algorithm>
#include <cstdint>

#include "host/conventions.h"
#include "machine/constants.h"

namespace core {

inline int64_t lineSamples(int value, int32_t samplesPerTick, int32_t sampleRate) {
    return std::min(lineSamplesFor(value, samplesPerTick), int64_t{sampleRate} * kDelaySeconds);
}

}  // namespace core
