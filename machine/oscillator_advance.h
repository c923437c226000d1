// How far an oscillator runs per period, kept beside each oscillator's period wherever set-up,
// the intake or the glide step sets one.
#pragma once

#include "machine/constants.h"

// Table positions per period (40 samples) for a cycle of `period` samples.
inline double oscillatorAdvance(float period) {
    return kLfoCycle / (static_cast<double>(period) / kPeriodSamples);
}

// Sets an oscillator's period and the advance kept beside it, which never part.
inline void setOscillatorPeriod(float& period, double& advance, float value) {
    period = value;
    advance = oscillatorAdvance(value);
}
