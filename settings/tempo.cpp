#include "settings/tempo.h"

#include "host/tempo.h"

namespace settings {

int32_t samplesPerTick(int32_t sampleRate, double beatsPerMinute, int ticksPerBeat) {
    const double samples = roundedSamplesPerTick(sampleRate, beatsPerMinute, ticksPerBeat);
    if (!(samples >= 1.0 && samples <= INT32_MAX))
        throw TempoError(sampleRate, beatsPerMinute, ticksPerBeat, samples < 1.0);
    return static_cast<int32_t>(samples);
}

int32_t defaultSamplesPerTick(int32_t sampleRate, double beatsPerMinute, int ticksPerBeat) {
    const double samples = roundedSamplesPerTick(sampleRate, beatsPerMinute, ticksPerBeat);
    return samples < 1.0 ? 1 : samplesPerTick(sampleRate, beatsPerMinute, ticksPerBeat);
}

}  // namespace settings
