// The host's master information record. The machine reads only the sample rate and the
// samples per tick (the third and fourth 32-bit words), afresh at every use.
#pragma once

#include <cstddef>
#include <cstdint>

struct MasterInfo {
    int32_t beatsPerMinute;
    int32_t ticksPerBeat;
    int32_t sampleRate;
    int32_t samplesPerTick;
    int32_t positionInTick;
    float ticksPerSecond;
};

static_assert(offsetof(MasterInfo, sampleRate) == 8);
static_assert(offsetof(MasterInfo, samplesPerTick) == 12);
