#include "cli/tempo.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/cli_error.h"
#include "host/tempo.h"

namespace cli {

int32_t samplesPerTick(int32_t sampleRate, double beatsPerMinute, int ticksPerBeat) {
    const double samples = roundedSamplesPerTick(sampleRate, beatsPerMinute, ticksPerBeat);
    if (!(samples >= 1.0 && samples <= INT32_MAX)) {
        char tempo[64];
        std::snprintf(tempo, sizeof tempo, "%g", beatsPerMinute);
        throw UsageError(std::string("--bpm ") + tempo + " at " + std::to_string(ticksPerBeat) +
                         " ticks per beat gives " +
                         (samples < 1.0 ? "less than one sample" : "more than 2147483647 samples") +
                         " per tick at " + std::to_string(sampleRate) + " Hz");
    }
    return static_cast<int32_t>(samples);
}

int32_t defaultSamplesPerTick(int32_t sampleRate, double beatsPerMinute, int ticksPerBeat) {
    const double samples = roundedSamplesPerTick(sampleRate, beatsPerMinute, ticksPerBeat);
    return samples < 1.0 ? 1 : samplesPerTick(sampleRate, beatsPerMinute, ticksPerBeat);
}

}  // namespace cli
