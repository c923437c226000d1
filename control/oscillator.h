// The modulation oscillators: a 256-entry table read at a running position that advances once
// per period, plus a phase offset in degrees.
#pragma once

#include "machine/constants.h"
#include "machine/oscillator_advance.h"

// Table position from a running position and a phase offset in degrees (360 degrees = 256).
float oscillatorPosition(float running, float offsetDegrees, float degreesToIndex);

// The table's value at a position, interpolated between neighbouring entries; the entry after
// the last is the first. A missing table reads 0.
float readOscillator(const float* table, float position);

// Single-precision rounding can land a position exactly on 256, one full cycle, which is
// position 0 again; anything else outside the cycle (only reachable from nonsense periods)
// restarts it too, so no read ever leaves the table.
inline float withinCycle(float position) {
    return position >= 0.0f && position < kLfoCycle ? position : 0.0f;
}

// A position advanced past the end of the cycle, brought back into it.
float wrappedAdvance(double advanced);

// The running position one period later, for a cycle of `period` samples; `advance` is
// oscillatorAdvance(period). A period that is not a positive length (no tempo from the host)
// holds the oscillator. Just below a cycle the rounding can store 256 itself; the next advance
// wraps it as any other, and a read takes it as position 0.
inline float advanceOscillator(float position, float period, double advance) {
    if (!(period > 0.0f)) return withinCycle(position);
    const double advanced = position + advance;
    if (advanced < kLfoCycle) return static_cast<float>(advanced);
    return wrappedAdvance(advanced);
}
