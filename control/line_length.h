// How a delay or offset value becomes a line length: the one formula the machine, the tool and
// every other host form use.
#pragma once

#include <cstdint>

#include "machine/constants.h"

// Samples of a delay or offset value. Values up to 32000 count thousandths of a tick, larger
// ones samples beyond 32000. The product with the samples per tick is formed in 64 bits: at
// very slow tempos it no longer fits in 32.
inline int64_t lineSamplesFor(int32_t value, int32_t samplesPerTick) {
    if (value <= kTickValueLimit) return int64_t{samplesPerTick} * value / kThousandthsPerTick;
    return int64_t{value} - kTickValueLimit;
}
