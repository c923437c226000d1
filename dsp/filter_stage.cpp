// One direct-form-I biquad per channel on the wet signal. The feedback coefficients are
// stored with the sign that lets them be added.
#include <algorithm>
#include <cmath>
#include <iterator>

#include "dsp/conversions.h"
#include "machine/machine.h"

namespace {

// A history that has turned into infinities or NaN (after input no host should send, or a
// blown-up resonance) would ring for ever; it starts again from silence.
void restartIfNotFinite(float (&history)[4]) {
    if (!std::all_of(std::begin(history), std::end(history),
                     [](float v) { return std::isfinite(v); }))
        std::fill(std::begin(history), std::end(history), 0.0f);
}

// One channel's section for a chunk: coefficients and history widened once. Each input and
// output is widened once more as it enters the history, and the history moves on in double
// precision, holding exactly the single-precision values it stores.
struct Section {
    explicit Section(const float (&coef)[5], const float (&history)[4])
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

}  // namespace

// Both channels in one loop: each sample waits for the one before it on its own channel, so
// the two channels' chains run side by side.
void mi::runFilter(int32_t begin, int32_t end) {
    restartIfNotFinite(filterStateLeft);
    restartIfNotFinite(filterStateRight);
    Section left(filterCoefLeft, filterStateLeft), right(filterCoefRight, filterStateRight);
    float* __restrict wetL = wetLeft;
    float* __restrict wetR = wetRight;
    for (int32_t j = begin; j < end; ++j) {
        wetL[j] = left.step(wetL[j]);
        wetR[j] = right.step(wetR[j]);
    }
    left.store(filterStateLeft);
    right.store(filterStateRight);
}
