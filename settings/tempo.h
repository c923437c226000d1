// Samples per tick as the host derives them from the tempo.
#pragma once

#include <cstdint>
#include <stdexcept>

namespace settings {

// A tempo that gives no tick length the machine can take: less than one sample, or more than
// 2^31 − 1.
class TempoError : public std::runtime_error {
  public:
    TempoError(int32_t sampleRate, double beatsPerMinute, int ticksPerBeat, bool tooShort)
        : std::runtime_error("no samples per tick for this tempo"),
          sampleRate(sampleRate),
          beatsPerMinute(beatsPerMinute),
          ticksPerBeat(ticksPerBeat),
          tooShort(tooShort) {}
    int32_t sampleRate;
    double beatsPerMinute;
    int ticksPerBeat;
    bool tooShort;  // less than one sample; otherwise more than 2^31 − 1
};

// sampleRate × 60 / (beatsPerMinute × ticksPerBeat), rounded to the nearest sample; TempoError
// when that is not a count between 1 and 2^31 − 1.
int32_t samplesPerTick(int32_t sampleRate, double beatsPerMinute, int ticksPerBeat);

// The same for the tempo the user did not choose: at a sample rate too low for it (a few Hz),
// every tick is one sample long rather than the tempo being wrong.
int32_t defaultSamplesPerTick(int32_t sampleRate, double beatsPerMinute, int ticksPerBeat);

}  // namespace settings
