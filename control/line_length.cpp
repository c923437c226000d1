// Delay and offset values become line lengths in fixed point.
#include <algorithm>
#include <cstdint>

#include "machine/machine.h"

// Values up to 32000 count thousandths of a tick, larger ones samples beyond 32000. The
// product with the samples per tick is formed in 64 bits: at very slow tempos it no longer
// fits in 32, and the buffer clamp below brings it back into range anyway.
int32_t mi::lineLengthFor(int32_t value) const {
    int64_t samples;
    if (value <= kTickValueLimit)
        samples = int64_t{masterInfo->samplesPerTick} * value / 1000;
    else
        samples = int64_t{value} - kTickValueLimit;
    samples = std::clamp<int64_t>(samples, 0, delayBufferFrames);
    return static_cast<int32_t>(samples * kFixedOne);
}
