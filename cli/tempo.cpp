#include "cli/tempo.h"

#include <cstdint>
#include <string>

#include "cli/cli_error.h"
#include "host/tempo.h"

namespace cli {

int32_t samplesPerTick(int32_t sampleRate, double beatsPerMinute, int ticksPerBeat) {
    const double samples = roundedSamplesPerTick(sampleRate, beatsPerMinute, ticksPerBeat);
    if (!(samples >= 1.0 && samples <= INT32_MAX))
        throw UsageError("a tempo of " + std::to_string(beatsPerMinute) + " BPM at " +
                         std::to_string(ticksPerBeat) + " ticks per beat gives no usable " +
                         "number of samples per tick at " + std::to_string(sampleRate) + " Hz");
    return static_cast<int32_t>(samples);
}

}  // namespace cli
