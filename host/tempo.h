// Samples per tick from a tempo, as every host of the machine derives them: the sample rate ×
// 60 / (beats per minute × ticks per beat), rounded to the nearest sample (halves away from
// zero). The tool and the LV2 plug-in both take it from here, so equal settings give equal bits.
#pragma once

#include <cmath>
#include <cstdint>

inline double roundedSamplesPerTick(int32_t sampleRate, double beatsPerMinute,
                                    int32_t ticksPerBeat) {
    return std::round(sampleRate * 60.0 / (beatsPerMinute * ticksPerBeat));
}
