// The chorus oscillator's phase through a chunk. Frame by frame the phase moves on by the
// increment in double precision and is held in single precision, wrapping at a whole cycle;
// that chain from one frame to the next would set the pace of the whole chorus, so the phases
// are worked out ahead of the frames that read them, mostly without the chain.
#pragma once

#include <cstdint>

#include "machine/constants.h"

namespace dsp {

// A moved phase held in single precision, a whole cycle taken off at the wrap.
inline float wrappedPhase(float moved) {
    if (moved >= kLfoCycle) {
        moved = static_cast<float>(moved - kLfoCycle);
        if (moved >= kLfoCycle) moved = 0.0f;  // a sum that rounded up to two whole cycles
    }
    return moved;
}

// One frame's move: the sum in double precision, held in single precision.
inline float nextPhase(float phase, double increment) {
    return wrappedPhase(static_cast<float>(phase + increment));
}

// Writes the phase each of `count` frames reads, starting from `phase`, exactly as nextPhase
// frame after frame would give them, and returns the phase after the last frame.
float phasesThroughChunk(float phase, double increment, double* phases, int32_t count);

}  // namespace dsp
