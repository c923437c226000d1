// The last stage of a chunk: the pan shares glide per sample toward the targets the glide
// step set, and each frame becomes the dry input plus both wet channels spread by the shares.
#include "dsp/conversions.h"
#include "machine/machine.h"

namespace {

// One sample of a share's glide; it lands on its target and never passes it. (The sum of two
// floats rounds to the same float in single precision as in double precision.)
inline float glideShare(float share, float target, float step) {
    if (share < target) {
        share = share + step;
        if (share > target) share = target;
    } else if (share > target) {
        share = share + step;
        if (share < target) share = target;
    }
    return share;
}

struct Mix {
    double dryLeft, dryRight, wetLeft, wetRight;
    float shareLeft, shareRight;  // of each wet channel on its own side
    float targetLeft, targetRight, stepLeft, stepRight;
};

// A frame's output. Every sum is formed left to right as written, so the products of the
// share and the wet gain, which come first, may be formed once per chunk. A chunk whose input
// is finite gives a finite sum (kFinite), which a clamp holds in range; otherwise an
// infinity or NaN from the host's input passes through as it is.
template <bool kFinite>
inline float held(double value) {
    if constexpr (kFinite)
        return dsp::heldInRange(static_cast<float>(value));
    else
        return dsp::saturateToFloat(value);
}

// The shares stand still for the chunk: their products with the wet gains are fixed.
template <bool kInput, bool kFinite>
void mixStanding(const Mix& mix, float* __restrict samples, const float* __restrict wetLeft,
                 const float* __restrict wetRight, int32_t begin, int32_t end) {
    const double pL = mix.shareLeft, pR = mix.shareRight;
    const double leftToLeft = pL * mix.wetLeft, rightToRight = pR * mix.wetRight;
    const double rightToLeft = (1.0 - pR) * mix.wetRight, leftToRight = (1.0 - pL) * mix.wetLeft;
    const double dryLeft = mix.dryLeft, dryRight = mix.dryRight;
    for (int32_t j = begin; j < end; ++j) {
        const double wL = wetLeft[j], wR = wetRight[j];
        if constexpr (kInput) {
            const double inL = samples[2 * j], inR = samples[2 * j + 1];
            samples[2 * j] = held<kFinite>(inL * dryLeft + leftToLeft * wL + rightToLeft * wR);
            samples[2 * j + 1] =
                held<kFinite>(inR * dryRight + rightToRight * wR + leftToRight * wL);
        } else {
            samples[2 * j] = held<kFinite>(leftToLeft * wL + rightToLeft * wR);
            samples[2 * j + 1] = held<kFinite>(rightToRight * wR + leftToRight * wL);
        }
    }
}

template <bool kInput, bool kFinite>
void mixGliding(Mix& mix, float* __restrict samples, const float* __restrict wetLeft,
                const float* __restrict wetRight, int32_t begin, int32_t end) {
    float pL = mix.shareLeft, pR = mix.shareRight;
    for (int32_t j = begin; j < end; ++j) {
        pL = glideShare(pL, mix.targetLeft, mix.stepLeft);
        pR = glideShare(pR, mix.targetRight, mix.stepRight);
        const double wL = wetLeft[j], wR = wetRight[j];
        const double leftToLeft = pL * mix.wetLeft, rightToRight = pR * mix.wetRight;
        const double rightToLeft = (1.0 - pR) * mix.wetRight;
        const double leftToRight = (1.0 - pL) * mix.wetLeft;
        if constexpr (kInput) {
            const double inL = samples[2 * j], inR = samples[2 * j + 1];
            samples[2 * j] = held<kFinite>(inL * mix.dryLeft + leftToLeft * wL + rightToLeft * wR);
            samples[2 * j + 1] =
                held<kFinite>(inR * mix.dryRight + rightToRight * wR + leftToRight * wL);
        } else {
            samples[2 * j] = held<kFinite>(leftToLeft * wL + rightToLeft * wR);
            samples[2 * j + 1] = held<kFinite>(rightToRight * wR + leftToRight * wL);
        }
    }
    mix.shareLeft = pL;
    mix.shareRight = pR;
}

template <bool kInput, bool kFinite>
void mixFrames(Mix& mix, bool panGlides, float* samples, const float* wetLeft,
               const float* wetRight, int32_t begin, int32_t end) {
    if (panGlides)
        mixGliding<kInput, kFinite>(mix, samples, wetLeft, wetRight, begin, end);
    else
        mixStanding<kInput, kFinite>(mix, samples, wetLeft, wetRight, begin, end);
}

}  // namespace

void mi::mixOutput(float* samples, int32_t begin, int32_t end, bool inputPresent,
                   bool inputFinite) {
    Mix mix{dryGainLeft,       dryGainRight,       wetGainLeft,      wetGainRight,
            panMixLeftCurrent, panMixRightCurrent, panMixLeftTarget, panMixRightTarget,
            panMixLeftStep,    panMixRightStep};
    const bool panGlides = panLfoType != 0;
    if (!inputPresent)
        mixFrames<false, true>(mix, panGlides, samples, wetLeft, wetRight, begin, end);
    else if (inputFinite)
        mixFrames<true, true>(mix, panGlides, samples, wetLeft, wetRight, begin, end);
    else
        mixFrames<true, false>(mix, panGlides, samples, wetLeft, wetRight, begin, end);
    panMixLeftCurrent = mix.shareLeft;
    panMixRightCurrent = mix.shareRight;
}
