// Delay and offset values become line lengths in fixed point.
#include <algorithm>
#include <cstdint>

#include "host/conventions.h"
#include "machine/machine.h"

// The length is held inside the delay buffers, whatever the tempo.
int32_t mi::lineLengthFor(int32_t value) const {
    const int64_t samples = std::clamp<int64_t>(lineSamplesFor(value, masterInfo->samplesPerTick),
                                                0, delayBufferFrames);
    return static_cast<int32_t>(samples * kFixedOne);
}
