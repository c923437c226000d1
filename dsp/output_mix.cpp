// The last stage of a chunk: the pan shares glide per sample toward the targets the glide
// step set, and each frame becomes the dry input plus both wet channels spread by the shares.
#include "dsp/conversions.h"
#include "machine/machine.h"

namespace {

// One sample of a share's glide; it lands on its target and never passes it.
inline float glideShare(float share, float target, float step) {
    if (share < target) {
        share = static_cast<float>(double{share} + step);
        if (share > target) share = target;
    } else if (share > target) {
        share = static_cast<float>(double{share} + step);
        if (share < target) share = target;
    }
    return share;
}

struct Mix {
    double dryLeft, dryRight, wetLeft, wetRight;
    float shareLeft, shareRight;  // of each wet channel on its own side
    float targetLeft, targetRight, stepLeft, stepRight;
};

template <bool kInput, bool kPanGlides>
void mixFrames(Mix& mix, float* samples, const float* wetLeft, const float* wetRight, int32_t begin,
               int32_t end) {
    float pL = mix.shareLeft, pR = mix.shareRight;
    for (int32_t j = begin; j < end; ++j) {
        if constexpr (kPanGlides) {
            pL = glideShare(pL, mix.targetLeft, mix.stepLeft);
            pR = glideShare(pR, mix.targetRight, mix.stepRight);
        }
        const double wL = wetLeft[j], wR = wetRight[j];
        if constexpr (kInput) {
            const double inL = samples[2 * j], inR = samples[2 * j + 1];
            samples[2 * j] = dsp::saturateToFloat(inL * mix.dryLeft + pL * mix.wetLeft * wL +
                                                  (1.0 - pR) * mix.wetRight * wR);
            samples[2 * j + 1] = dsp::saturateToFloat(inR * mix.dryRight + pR * mix.wetRight * wR +
                                                      (1.0 - pL) * mix.wetLeft * wL);
        } else {
            samples[2 * j] =
                dsp::saturateToFloat(pL * mix.wetLeft * wL + (1.0 - pR) * mix.wetRight * wR);
            samples[2 * j + 1] =
                dsp::saturateToFloat(pR * mix.wetRight * wR + (1.0 - pL) * mix.wetLeft * wL);
        }
    }
    mix.shareLeft = pL;
    mix.shareRight = pR;
}

}  // namespace

void mi::mixOutput(float* samples, int32_t begin, int32_t end, bool inputPresent) {
    Mix mix{dryGainLeft,       dryGainRight,       wetGainLeft,      wetGainRight,
            panMixLeftCurrent, panMixRightCurrent, panMixLeftTarget, panMixRightTarget,
            panMixLeftStep,    panMixRightStep};
    const bool panGlides = panLfoType != 0;
    if (inputPresent) {
        if (panGlides)
            mixFrames<true, true>(mix, samples, wetLeft, wetRight, begin, end);
        else
            mixFrames<true, false>(mix, samples, wetLeft, wetRight, begin, end);
    } else {
        if (panGlides)
            mixFrames<false, true>(mix, samples, wetLeft, wetRight, begin, end);
        else
            mixFrames<false, false>(mix, samples, wetLeft, wetRight, begin, end);
    }
    panMixLeftCurrent = mix.shareLeft;
    panMixRightCurrent = mix.shareRight;
}
