// The modulation oscillators: a 256-entry table read at a running position that advances once
// per period, plus a phase offset in degrees.
#pragma once

#include "machine/oscillator_advance.h"

// Table position from a running position and a phase offset in degrees (360 degrees = 256).
float oscillatorPosition(float running, float offsetDegrees, float degreesToIndex);

// The table's value at a position, interpolated between neighbouring entries; the entry after
// the last is the first. A missing table reads 0.
float readOscillator(const float* table, float position);

// The running position one period later, for a cycle of `period` samples; `advance` is
// oscillatorAdvance(period).
float advanceOscillator(float position, float period, double advance);
inline float advanceOscillator(float position, float period) {
    return advanceOscillator(position, period, oscillatorAdvance(period));
}
