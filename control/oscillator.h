// The modulation oscillators: a 256-entry table read at a running position that advances once
// per period, plus a phase offset in degrees.
#pragma once

// Table position from a running position and a phase offset in degrees (360 degrees = 256).
float oscillatorPosition(float running, float offsetDegrees, float degreesToIndex);

// The table's value at a position, interpolated between neighbouring entries; the entry after
// the last is the first. A missing table reads 0.
float readOscillator(const float* table, float position);

// The running position one period (40 samples) later, for a cycle of `period` samples.
float advanceOscillator(float position, float period);
