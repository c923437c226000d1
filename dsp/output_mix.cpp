// The last stage of a chunk: the pan shares glide per sample toward the targets the glide
// step set, and each frame becomes the dry input plus both wet channels spread by the shares.
#include "dsp/conversions.h"
#include "machine/machine.h"

namespace {

// A share's path through the chunk: per sample it moves by its step toward its target and
// lands on the target instead of passing it. Moving toward the target, the running sum keeps
// moving the same way once it has passed, so each sample is the running sum held at the
// target; moving away, the sum never reaches it. So the chain from sample to sample is the
// single-precision sum alone (the sum of two floats rounds to the same float as in double
// precision), and the holding stays off it. Returns the share after the last sample.
float sharePath(float share, float target, float step, float* __restrict path, int32_t begin,
                int32_t end) {
    float sum = share;
    if (share < target) {
        for (int32_t j = begin; j < end; ++j) {
            sum = sum + step;
            path[j] = sum > target ? target : sum;
        }
    } else if (share > target) {
        for (int32_t j = begin; j < end; ++j) {
            sum = sum + step;
            path[j] = sum < target ? target : sum;
        }
    } else {  // at the target, or not comparable with it: it stays
        for (int32_t j = begin; j < end; ++j) path[j] = share;
    }
    return end > begin ? path[end - 1] : share;
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

// The shares glide: each one's path through the chunk is a chain of single-precision sums,
// worked out first, so that the mix itself runs several frames at a time.
template <bool kInput, bool kFinite>
void mixGliding(Mix& mix, float* __restrict samples, const float* __restrict wetLeft,
                const float* __restrict wetRight, int32_t begin, int32_t end) {
    float sharesLeft[kMaxBlockFrames], sharesRight[kMaxBlockFrames];
    mix.shareLeft = sharePath(mix.shareLeft, mix.targetLeft, mix.stepLeft, sharesLeft, begin, end);
    mix.shareRight =
        sharePath(mix.shareRight, mix.targetRight, mix.stepRight, sharesRight, begin, end);

    const double wetGainLeft = mix.wetLeft, wetGainRight = mix.wetRight;
    const double dryLeft = mix.dryLeft, dryRight = mix.dryRight;
    for (int32_t j = begin; j < end; ++j) {
        const double shareL = sharesLeft[j], shareR = sharesRight[j];
        const double leftToLeft = shareL * wetGainLeft, rightToRight = shareR * wetGainRight;
        const double rightToLeft = (1.0 - shareR) * wetGainRight;
        const double leftToRight = (1.0 - shareL) * wetGainLeft;
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
