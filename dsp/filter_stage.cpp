// One direct-form-I biquad per channel on the wet signal. The feedback coefficients are
// stored with the sign that lets them be added.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "dsp/conversions.h"
#include "dsp/stages.h"
#include "machine/machine.h"
#include "platform/wide_vectors.h"

namespace {

using dsp::FilterStretch;

// A history that has turned into infinities or NaN (after input no host should send, or a
// blown-up resonance) would ring for ever; it starts again from silence.
void restartIfNotFinite(float (&history)[4]) {
    if (!std::all_of(std::begin(history), std::end(history),
                     [](float v) { return std::isfinite(v); }))
        std::fill(std::begin(history), std::end(history), 0.0f);
}

// One channel's section for a stretch: coefficients and history widened once. Each input and
// output is widened once more as it enters the history, and the history moves on in double
// precision, holding exactly the single-precision values it stores.
struct Section {
    explicit Section(const float* coef, const float (&history)[4])
        : b0(coef[0]),
          b1(coef[1]),
          b2(coef[2]),
          fb1(coef[3]),
          fb2(coef[4]),
          x1(history[0]),
          x2(history[1]),
          y1(history[2]),
          y2(history[3]) {}

    // With a finite history and finite input the sum is finite (the coefficients are), so
    // only an overflow of the single-precision result needs holding.
    float step(float x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 + fb1 * y1 + fb2 * y2;
        const float out = dsp::heldInRangeByBranch(static_cast<float>(y));
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = out;
        return out;
    }

    void store(float (&history)[4]) const {
        history[0] = static_cast<float>(x1);
        history[1] = static_cast<float>(x2);
        history[2] = static_cast<float>(y1);
        history[3] = static_cast<float>(y2);
    }

    double b0, b1, b2, fb1, fb2;
    double x1, x2, y1, y2;
};

// Both channels side by side, each lane of a pair one channel.
using Pair = double __attribute__((vector_size(16)));
using PairBits = uint64_t __attribute__((vector_size(16)));
using FloatPair = float __attribute__((vector_size(8)));

// A double rounded to single precision and widened again, done on the bits: to nearest at the
// last bit a float keeps, a tie away from zero. This is the exact result unless the value is a
// tie (where single precision goes to the even neighbour) or lies outside the normal
// single-precision range (a smaller one is flushed, a larger one overflows), which the caller
// checks; it is shorter than two conversions, and the rounding lies on the chain from one
// sample to the next.
inline Pair roundedToSingle(Pair y) {
    constexpr uint64_t kDropped = 29;  // mantissa bits a double has beyond a float's
    const PairBits bits = reinterpret_cast<PairBits>(y);
    return reinterpret_cast<Pair>((bits + (uint64_t{1} << (kDropped - 1))) &
                                  ~((uint64_t{1} << kDropped) - 1));
}

// The section's sum for both channels, left to right. Every product is of two single-precision
// values and so exact in double precision; where the processor fuses a multiply and an add
// (kFused), the feedback product on the chain from one sample to the next is added in one step,
// which rounds the partial sum just as the separate multiply and add do, in less time.
template <bool kFused>
TARVO_INLINE_LOOP inline Pair sectionSum(Pair b0, Pair x, Pair b1, Pair x1, Pair b2, Pair x2,
                                         Pair fb1, Pair y1, Pair fb2, Pair y2) {
    if constexpr (kFused) {
        const Pair t = b0 * x + b1 * x1 + b2 * x2;
        const Pair withFeedback = {__builtin_fma(fb1[0], y1[0], t[0]),
                                   __builtin_fma(fb1[1], y1[1], t[1])};
        return withFeedback + fb2 * y2;
    }
    return b0 * x + b1 * x1 + b2 * x2 + fb1 * y1 + fb2 * y2;
}

// The section's sums for both channels, with the history carried in the bit-rounded form. Each
// output is also converted as the exact path converts it; if any sample's two forms differ
// (a tie, or a result outside the normal single-precision range), nothing is stored and the
// block is left to the exact path.
template <bool kFused>
TARVO_INLINE_LOOP inline bool runBothRounded(float* __restrict wetL, float* __restrict wetR,
                                             float (&historyL)[4], float (&historyR)[4],
                                             const FilterStretch* stretches, int32_t count) {
    Pair x1 = {historyL[0], historyR[0]}, x2 = {historyL[1], historyR[1]};
    Pair y1 = {historyL[2], historyR[2]}, y2 = {historyL[3], historyR[3]};
    float outL[kMaxBlockFrames], outR[kMaxBlockFrames];
    PairBits differ = {0, 0};
    for (int32_t s = 0; s < count; ++s) {
        const float* coefL = stretches[s].coefLeft;
        const float* coefR = stretches[s].coefRight;
        const Pair b0 = {coefL[0], coefR[0]}, b1 = {coefL[1], coefR[1]};
        const Pair b2 = {coefL[2], coefR[2]};
        const Pair fb1 = {coefL[3], coefR[3]}, fb2 = {coefL[4], coefR[4]};
        for (int32_t j = stretches[s].begin; j < stretches[s].end; ++j) {
            const Pair x = {wetL[j], wetR[j]};
            const Pair y = sectionSum<kFused>(b0, x, b1, x1, b2, x2, fb1, y1, fb2, y2);
            const Pair rounded = roundedToSingle(y);
            const FloatPair out = __builtin_convertvector(y, FloatPair);
            differ |= reinterpret_cast<PairBits>(__builtin_convertvector(out, Pair) != rounded);
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = rounded;
            outL[j] = out[0];
            outR[j] = out[1];
        }
    }
    if ((differ[0] | differ[1]) != 0) return false;
    for (int32_t s = 0; s < count; ++s) {
        for (int32_t j = stretches[s].begin; j < stretches[s].end; ++j) {
            wetL[j] = outL[j];
            wetR[j] = outR[j];
        }
    }
    const Pair history[4] = {x1, x2, y1, y2};
    for (int i = 0; i < 4; ++i) {
        historyL[i] = static_cast<float>(history[i][0]);
        historyR[i] = static_cast<float>(history[i][1]);
    }
    return true;
}

#if TARVO_HAS_WIDE_VECTORS
TARVO_WIDE bool runBothRoundedFused(float* __restrict wetL, float* __restrict wetR,
                                    float (&historyL)[4], float (&historyR)[4],
                                    const FilterStretch* stretches, int32_t count) {
    return runBothRounded<true>(wetL, wetR, historyL, historyR, stretches, count);
}
#endif

// The rounded form, fused where the processor can.
bool runBothRoundedOn(bool wide, float* wetL, float* wetR, float (&historyL)[4],
                      float (&historyR)[4], const FilterStretch* stretches, int32_t count) {
#if TARVO_HAS_WIDE_VECTORS
    if (wide) return runBothRoundedFused(wetL, wetR, historyL, historyR, stretches, count);
#endif
    (void)wide;
    return runBothRounded<false>(wetL, wetR, historyL, historyR, stretches, count);
}

}  // namespace

// Both channels in one loop: each sample waits for the one before it on its own channel, so
// the two channels' chains run side by side, through every stretch with its coefficients.
// The histories are looked at once, before the first stretch: from finite histories, finite
// coefficients (as every design gives) and finite wet input (as the stages before give) every
// sum is finite and every output is held in range, so they cannot turn non-finite on the way.
void dsp::runFilter(mi& m, const FilterStretch* stretches, int32_t count, Wet wet) {
    float(&filterStateLeft)[4] = m.filterStateLeft;
    float(&filterStateRight)[4] = m.filterStateRight;
    restartIfNotFinite(filterStateLeft);
    restartIfNotFinite(filterStateRight);
    float* __restrict wetL = wet.left;
    float* __restrict wetR = wet.right;
    if (runBothRoundedOn(m.wideVectors, wetL, wetR, filterStateLeft, filterStateRight, stretches,
                         count))
        return;
    for (int32_t s = 0; s < count; ++s) {
        Section left(stretches[s].coefLeft, filterStateLeft);
        Section right(stretches[s].coefRight, filterStateRight);
        for (int32_t j = stretches[s].begin; j < stretches[s].end; ++j) {
            wetL[j] = left.step(wetL[j]);
            wetR[j] = right.step(wetR[j]);
        }
        left.store(filterStateLeft);
        right.store(filterStateRight);
    }
}
