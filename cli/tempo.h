// Samples per tick as the host derives them from the tempo.
#pragma once

#include <cstdint>

namespace cli {

// sampleRate × 60 / (beatsPerMinute × ticksPerBeat), rounded to the nearest sample; UsageError
// when that is not a count between 1 and 2^31 − 1.
int32_t samplesPerTick(int32_t sampleRate, double beatsPerMinute, int ticksPerBeat);

// The same for the tempo the user did not choose: at a sample rate too low for it (a few Hz),
// every tick is one sample long rather than the command line being wrong.
int32_t defaultSamplesPerTick(int32_t sampleRate, double beatsPerMinute, int ticksPerBeat);

}  // namespace cli
