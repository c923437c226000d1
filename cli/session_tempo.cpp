#include "cli/session_tempo.h"

#include "settings/tempo.h"

namespace cli {

int32_t sessionSamplesPerTick(const TempoOptions& tempo, int32_t sampleRate) {
    if (tempo.samplesPerTick > 0) return tempo.samplesPerTick;
    return tempo.tempoGiven
               ? settings::samplesPerTick(sampleRate, tempo.beatsPerMinute, tempo.ticksPerBeat)
               : settings::defaultSamplesPerTick(sampleRate, tempo.beatsPerMinute,
                                                 tempo.ticksPerBeat);
}

}  // namespace cli
