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

// Where the chain's first stage finds the block and its last stage leaves it. Between them the
// stages read `frames`: the conditioned input, interleaved stereo frames in the host's scale.
//
// The host's interleaved frames, conditioned and mixed in place.
struct HostFrames {
    float* frames;
};

// Separate channels at unit scale, as plug-in hosts hold them; the output may be the same
// memory as the input. The input is conditioned into `frames`, an array of the render's own,
// and once more into its channels `left` and `right`, from which the mix takes the dry input.
struct UnitChannels {
    const float* inLeft;
    const float* inRight;
    float* outLeft;
    float* outRight;
    float* frames;
    float* left;
    float* right;
};

// Frames begin..end-1 of the block's input, conditioned according to the input mode: in place,
// or from the channels, each sample through unitToHost, so that every conditioned sample is
// finite.
void conditionInput(uint8_t inputMode, bool wide, HostFrames block, int32_t begin, int32_t end);
void conditionInput(uint8_t inputMode, bool wide, const UnitChannels& block, int32_t begin,
                    int32_t end);

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

// The output mix of frames begin..end-1, the conditioned input with the wet signal: standing
// shares from `mix`, gliding ones (`panGlides`) from the shares glideShares wrote. Into the
// host's frames, or into the output channels through hostToUnit; the channels' input is always
// present and finite.
void mixOutput(const MixControls& mix, bool panGlides, bool wide, HostFrames block,
               const float* wetLeft, const float* wetRight, const float* sharesLeft,
               const float* sharesRight, int32_t begin, int32_t end, bool inputPresent,
               bool inputFinite);
void mixOutput(const MixControls& mix, bool panGlides, bool wide, const UnitChannels& block,
               const float* wetLeft, const float* wetRight, const float* sharesLeft,
               const float* sharesRight, int32_t begin, int32_t end);

}  // namespace dsp
