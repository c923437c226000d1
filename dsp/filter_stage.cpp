// One direct-form-I biquad per channel on the wet signal. The feedback coefficients are
// stored with the sign that lets them be added.
#include <algorithm>
#include <cmath>
#include <iterator>

#include "dsp/conversions.h"
#include "machine/machine.h"

namespace {

void runBiquad(float* wet, const float (&coef)[5], float (&history)[4], int32_t begin,
               int32_t end) {
    // A history that has turned into infinities or NaN (after input no host should send, or
    // a blown-up resonance) would ring for ever; it starts again from silence.
    if (!std::all_of(std::begin(history), std::end(history),
                     [](float v) { return std::isfinite(v); }))
        std::fill(std::begin(history), std::end(history), 0.0f);

    const double b0 = coef[0], b1 = coef[1], b2 = coef[2], fb1 = coef[3], fb2 = coef[4];
    float x1 = history[0], x2 = history[1], y1 = history[2], y2 = history[3];
    for (int32_t j = begin; j < end; ++j) {
        const float x = wet[j];
        const double y = b0 * x + b1 * x1 + b2 * x2 + fb1 * y1 + fb2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = dsp::saturateToFloat(y);
        wet[j] = y1;
    }
    history[0] = x1;
    history[1] = x2;
    history[2] = y1;
    history[3] = y2;
}

}  // namespace

void mi::runFilter(int32_t begin, int32_t end) {
    runBiquad(wetLeft, filterCoefLeft, filterStateLeft, begin, end);
    runBiquad(wetRight, filterCoefRight, filterStateRight, begin, end);
}
