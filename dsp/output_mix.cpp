// The last stage of the chain: the pan shares glide per sample toward the targets the glide
// step set, and each frame becomes the dry input plus both wet channels spread by the shares,
// written over the host's frame or, through hostToUnit, into the two output channels.
#include <cstddef>
#include <limits>
#include <type_traits>

#include "dsp/conversions.h"
#include "dsp/stages.h"
#include "host/sample_scale.h"
#include "machine/machine.h"
#include "platform/float_environment.h"
#include "platform/wide_vectors.h"

namespace {

// A share's glide through the chunk: per sample it moves by its step toward its target and
// lands on the target instead of passing it. Moving toward the target, the running sum keeps
// moving the same way once it has passed, so each sample is the running sum held at the
// target; moving away, the sum never reaches it. So the chain from sample to sample is the
// single-precision sum alone (the sum of two floats rounds to the same float as in double
// precision), and the holding stays off it: a share below its target is held from above, one
// above it from below, and one at its target (or not comparable with it) adds -0, which keeps
// every value as it is.
struct ShareGlide {
    ShareGlide(float share, float target, float step) : sum(share), step(step) {
        if (share < target) {
            high = target;
        } else if (share > target) {
            low = target;
        } else {
            this->step = -0.0f;
        }
    }

    float next() {
        sum = sum + step;
        const float held = sum > high ? high : sum;
        return held < low ? low : held;
    }

    float sum, step;
    float high = std::numeric_limits<float>::infinity();
    float low = -std::numeric_limits<float>::infinity();
};

using dsp::MixControls;

// A frame's output. Every sum is formed left to right as written, so the products of the
// share and the wet gain, which come first, may be formed once per stretch. A block whose input
// is finite gives a finite sum (kFinite), which a clamp holds in range; otherwise an
// infinity or NaN from the host's input passes through as it is, and an infinite input times a
// dry gain of 0 gives the machine's own NaN (the wet signal is always finite).
template <bool kFinite>
inline float held(double value, float input) {
    if constexpr (kFinite)
        return dsp::heldInRange(static_cast<float>(value));
    else
        return dsp::settledNaN(dsp::saturateToFloat(value), input, input);
}

// Where the mix finds a frame's dry input and leaves its output. Into the host's frames: each
// frame of `out` is read and overwritten. Into the channels: the dry input comes from the
// conditioned channels `inLeft` and `inRight`, the output goes to `out` and `outRight` at unit
// scale. The loops take the pointers as restricted parameters, the one form in which the
// compiler keeps them apart through the inlining without checks at run time.
struct IntoFrames {
    static float dryLeft(const float* out, const float*, ptrdiff_t j) { return out[2 * j]; }
    static float dryRight(const float* out, const float*, ptrdiff_t j) { return out[2 * j + 1]; }
    static void put(float* out, float*, ptrdiff_t j, float left, float right) {
        out[2 * j] = left;
        out[2 * j + 1] = right;
    }
};
struct IntoChannels {
    static float dryLeft(const float*, const float* in, ptrdiff_t j) { return in[j]; }
    static float dryRight(const float*, const float* in, ptrdiff_t j) { return in[j]; }
    static void put(float* outLeft, float* outRight, ptrdiff_t j, float left, float right) {
        outLeft[j] = unit(left);
        outRight[j] = unit(right);
    }
    // The render's environment flushes subnormal numbers where it can, which spares the bits.
    static float unit(float sample) {
        return FloatEnvironment::kFlushes ? hostToUnitFlushed(sample) : hostToUnit(sample);
    }
};

// The pointers a mix loop writes and reads, in the order the loops take them.
struct Ends {
    float* out;
    float* outRight;
    const float* inLeft;
    const float* inRight;
};

// One frame of the mix: the dry input (when there is one) and each wet channel's share on
// either side, summed left to right in double precision.
template <bool kInput, bool kFinite, typename Into>
TARVO_INLINE_LOOP inline void mixFrame(float* __restrict out, float* __restrict outRight,
                                       const float* __restrict inLeft,
                                       const float* __restrict inRight, ptrdiff_t j, double wL,
                                       double wR, double dryLeft, double dryRight,
                                       double leftToLeft, double rightToLeft, double rightToRight,
                                       double leftToRight) {
    if constexpr (kInput) {
        const float inL = Into::dryLeft(out, inLeft, j), inR = Into::dryRight(out, inRight, j);
        Into::put(
            out, outRight, j,
            held<kFinite>(double{inL} * dryLeft + leftToLeft * wL + rightToLeft * wR, inL),
            held<kFinite>(double{inR} * dryRight + rightToRight * wR + leftToRight * wL, inR));
    } else {
        Into::put(out, outRight, j, held<kFinite>(leftToLeft * wL + rightToLeft * wR, 0.0f),
                  held<kFinite>(rightToRight * wR + leftToRight * wL, 0.0f));
    }
}

// Into the channels every zero leaves as +0 (hostToUnit), so a term whose coefficient is 0,
// which only adds a zero (the wet signal is finite), changes nothing there but the sign of a
// zero and is left out: each wet channel stays on its own side. With unit gains as well, what
// is left is the sum of two floats, which rounds in double precision as in single precision.
TARVO_INLINE_LOOP inline void mixOwnSides(
    double dryLeft, double dryRight, double leftToLeft, double rightToRight,
    float* __restrict outLeft, float* __restrict outRight, const float* __restrict inLeft,
    const float* __restrict inRight, const float* __restrict wetLeft,
    const float* __restrict wetRight, int32_t begin, int32_t end) {
    TARVO_SEPARATE_BUFFERS
    for (ptrdiff_t j = begin; j < end; ++j)
        IntoChannels::put(
            outLeft, outRight, j,
            held<true>(double{inLeft[j]} * dryLeft + leftToLeft * wetLeft[j], inLeft[j]),
            held<true>(double{inRight[j]} * dryRight + rightToRight * wetRight[j], inRight[j]));
}

TARVO_INLINE_LOOP inline void mixUnity(float* __restrict outLeft, float* __restrict outRight,
                                       const float* __restrict inLeft,
                                       const float* __restrict inRight,
                                       const float* __restrict wetLeft,
                                       const float* __restrict wetRight, int32_t begin,
                                       int32_t end) {
    TARVO_SEPARATE_BUFFERS
    for (ptrdiff_t j = begin; j < end; ++j)
        IntoChannels::put(outLeft, outRight, j, dsp::heldInRange(inLeft[j] + wetLeft[j]),
                          dsp::heldInRange(inRight[j] + wetRight[j]));
}

// The shares stand still for the stretch: their products with the wet gains are fixed.
template <bool kInput, bool kFinite, typename Into>
TARVO_INLINE_LOOP inline void mixStanding(
    const MixControls& mix, float* __restrict out, float* __restrict outRight,
    const float* __restrict inLeft, const float* __restrict inRight,
    const float* __restrict wetLeft, const float* __restrict wetRight, int32_t begin, int32_t end) {
    const double pL = mix.shareLeft, pR = mix.shareRight;
    const double wetGainLeft = mix.wetLeft, wetGainRight = mix.wetRight;
    const double leftToLeft = pL * wetGainLeft, rightToRight = pR * wetGainRight;
    const double rightToLeft = (1.0 - pR) * wetGainRight, leftToRight = (1.0 - pL) * wetGainLeft;
    const double dryLeft = mix.dryLeft, dryRight = mix.dryRight;
    if constexpr (std::is_same_v<Into, IntoChannels>) {
        if (rightToLeft == 0.0 && leftToRight == 0.0) {
            if (dryLeft == 1.0 && dryRight == 1.0 && leftToLeft == 1.0 && rightToRight == 1.0)
                return mixUnity(out, outRight, inLeft, inRight, wetLeft, wetRight, begin, end);
            return mixOwnSides(dryLeft, dryRight, leftToLeft, rightToRight, out, outRight, inLeft,
                               inRight, wetLeft, wetRight, begin, end);
        }
    }
    TARVO_SEPARATE_BUFFERS
    for (ptrdiff_t j = begin; j < end; ++j)
        mixFrame<kInput, kFinite, Into>(out, outRight, inLeft, inRight, j, wetLeft[j], wetRight[j],
                                        dryLeft, dryRight, leftToLeft, rightToLeft, rightToRight,
                                        leftToRight);
}

// The shares glide: their paths through the block (chains of single-precision sums) were
// worked out with the glide steps, so that the mix itself runs several frames at a time.
template <bool kInput, bool kFinite, typename Into>
TARVO_INLINE_LOOP inline void mixGliding(const MixControls& mix, float* __restrict out,
                                         float* __restrict outRight, const float* __restrict inLeft,
                                         const float* __restrict inRight,
                                         const float* __restrict wetLeft,
                                         const float* __restrict wetRight,
                                         const float* __restrict sharesLeft,
                                         const float* __restrict sharesRight, int32_t begin,
                                         int32_t end) {
    const double wetGainLeft = mix.wetLeft, wetGainRight = mix.wetRight;
    const double dryLeft = mix.dryLeft, dryRight = mix.dryRight;
    TARVO_SEPARATE_BUFFERS
    for (ptrdiff_t j = begin; j < end; ++j) {
        const double shareL = sharesLeft[j], shareR = sharesRight[j];
        const double leftToLeft = shareL * wetGainLeft, rightToRight = shareR * wetGainRight;
        const double rightToLeft = (1.0 - shareR) * wetGainRight;
        const double leftToRight = (1.0 - shareL) * wetGainLeft;
        mixFrame<kInput, kFinite, Into>(out, outRight, inLeft, inRight, j, wetLeft[j], wetRight[j],
                                        dryLeft, dryRight, leftToLeft, rightToLeft, rightToRight,
                                        leftToRight);
    }
}

template <bool kInput, bool kFinite, typename Into>
TARVO_INLINE_LOOP inline void mixFrames(const MixControls& mix, bool panGlides, Ends ends,
                                        const float* wetLeft, const float* wetRight,
                                        const float* sharesLeft, const float* sharesRight,
                                        int32_t begin, int32_t end) {
    if (panGlides)
        mixGliding<kInput, kFinite, Into>(mix, ends.out, ends.outRight, ends.inLeft, ends.inRight,
                                          wetLeft, wetRight, sharesLeft, sharesRight, begin, end);
    else
        mixStanding<kInput, kFinite, Into>(mix, ends.out, ends.outRight, ends.inLeft, ends.inRight,
                                           wetLeft, wetRight, begin, end);
}

}  // namespace

// Both shares' chains side by side in one loop.
void dsp::glideShares(mi& m, float* sharesLeft, float* sharesRight, int32_t begin, int32_t end) {
    if (end <= begin) return;
    ShareGlide left(m.panMixLeftCurrent, m.panMixLeftTarget, m.panMixLeftStep);
    ShareGlide right(m.panMixRightCurrent, m.panMixRightTarget, m.panMixRightStep);
    for (int32_t j = begin; j < end; ++j) {
        sharesLeft[j] = left.next();
        sharesRight[j] = right.next();
    }
    m.panMixLeftCurrent = sharesLeft[end - 1];
    m.panMixRightCurrent = sharesRight[end - 1];
}

void dsp::mixOutput(const MixControls& mix, bool panGlides, bool wide, HostFrames block,
                    const float* wetLeft, const float* wetRight, const float* sharesLeft,
                    const float* sharesRight, int32_t begin, int32_t end, bool inputPresent,
                    bool inputFinite) {
    const Ends ends{block.frames, nullptr, nullptr, nullptr};
    platform::runLoop(wide, [&]() TARVO_INLINE_LOOP {
        if (!inputPresent)
            mixFrames<false, true, IntoFrames>(mix, panGlides, ends, wetLeft, wetRight, sharesLeft,
                                               sharesRight, begin, end);
        else if (inputFinite)
            mixFrames<true, true, IntoFrames>(mix, panGlides, ends, wetLeft, wetRight, sharesLeft,
                                              sharesRight, begin, end);
        else
            mixFrames<true, false, IntoFrames>(mix, panGlides, ends, wetLeft, wetRight, sharesLeft,
                                               sharesRight, begin, end);
    });
}

void dsp::mixOutput(const MixControls& mix, bool panGlides, bool wide, const UnitChannels& block,
                    const float* wetLeft, const float* wetRight, const float* sharesLeft,
                    const float* sharesRight, int32_t begin, int32_t end) {
    const Ends ends{block.outLeft, block.outRight, block.left, block.right};
    platform::runLoop(wide, [&]() TARVO_INLINE_LOOP {
        mixFrames<true, true, IntoChannels>(mix, panGlides, ends, wetLeft, wetRight, sharesLeft,
                                            sharesRight, begin, end);
    });
}
