// How far an oscillator runs per period: the one formula set-up, the intake and the glide step
// use for the advance they keep beside each oscillator's period.
#pragma once

#include "machine/constants.h"

// Table positions per period (40 samples) for a cycle of `period` samples.
inline double oscillatorAdvance(float period) {
    return kLfoCycle / (static_cast<double>(period) / kPeriodSamples);
}
