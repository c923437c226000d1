// The stages of the render's chain. Each runs over a range of frames of the block and is
// handed what it reads of the controls that the glide step moves; what it carries from one
// block to the next (line positions, rings, histories, counters) it keeps in the machine's
// fields.
#pragma once

#include <cstdint>

class mi;

namespace dsp {

// What the delay lines read of the glided controls.
struct LineControls {
    float feedbackLeft, feedbackRight, modeValueLeft, modeValueRight, clipGainLeft, clipGainRight;
};

// What the output mix reads: the gains, and the pan shares while they stand.
struct MixControls {
    float dryLeft, dryRight, wetLeft, wetRight, shareLeft, shareRight;
};

// A stretch the filter runs through with one set of coefficients.
struct FilterStretch {
    int32_t begin, end;
    const float* coefLeft;  // b0, b1, b2, fb1, fb2
    const float* coefRight;
};

// The block's wet scratch, indexed by the frame's position in the block.
struct Wet {
    float* left;
    float* right;
};

// Rewrites frames begin..end-1 of the host buffer in place according to the input mode.
void conditionInput(uint8_t inputMode, float* samples, int32_t begin, int32_t end);

// Both channels' offset lines and loops: the wet signal of frames begin..end-1 from the
// conditioned input (or from silence without input). `inputFinite`: the input holds no
// infinity or NaN.
void runDelayLines(mi& m, const LineControls& controls, const float* samples, Wet wet,
                   int32_t begin, int32_t end, bool inputPresent, bool inputFinite);

// The chorus over frames begin..end-1 of the wet signal, in place.
void runChorus(mi& m, Wet wet, int32_t begin, int32_t end);

// The filter through `count` stretches of the wet signal, in place, in one pass.
void runFilter(mi& m, const FilterStretch* stretches, int32_t count, Wet wet);

// The sample-and-hold stage at `ratio` frames per held pair over frames begin..end-1.
void runSampleAndHold(mi& m, float ratio, Wet wet, int32_t begin, int32_t end);

// Moves the pan shares sample by sample through frames begin..end-1, writing each frame's.
void glideShares(mi& m, float* sharesLeft, float* sharesRight, int32_t begin, int32_t end);

// The output mix of frames begin..end-1 into the host buffer: standing shares from `mix`,
// gliding ones (`panGlides`) from the shares glideShares wrote.
void mixOutput(const MixControls& mix, bool panGlides, bool wide, float* samples,
               const float* wetLeft, const float* wetRight, const float* sharesLeft,
               const float* sharesRight, int32_t begin, int32_t end, bool inputPresent,
               bool inputFinite);

}  // namespace dsp
