// Imitates a lower sample rate: a wet pair is captured about every `resampleRatio` frames and
// repeated until the next capture.
#include <cmath>

#include "dsp/conversions.h"
#include "dsp/stages.h"
#include "machine/machine.h"

namespace {

// The counter after a capture: the fraction by which the capture came late. The counter has
// just reached the ratio, so the lateness is at least 0; below one frame it is its own
// fraction, and the single-precision difference rounds to the same float as the double one.
// Only a ratio that fell below the counter (a glide toward a higher rate) leaves more.
inline float lateness(float counter, float ratio) {
    const float over = counter - ratio;
    if (over < 1.0f) [[likely]]
        return over;
    const double exact = static_cast<double>(counter) - ratio;
    return static_cast<float>(exact - dsp::truncateTowardZero(exact));
}

}  // namespace

void dsp::runSampleAndHold(mi& m, float ratio, Wet wet, int32_t begin, int32_t end) {
    float counter = std::isfinite(m.resampleCounter) ? m.resampleCounter : 0.0f;
    float heldLeft = m.resampleHeldLeft, heldRight = m.resampleHeldRight;
    float* __restrict wetL = wet.left;
    float* __restrict wetR = wet.right;
    for (int32_t j = begin; j < end; ++j) {
        // One more frame; adding 1 rounds to the same float in single as in double precision.
        counter = counter + 1.0f;
        if (counter >= ratio) {
            counter = lateness(counter, ratio);
            heldLeft = wetL[j];
            heldRight = wetR[j];
        } else {
            wetL[j] = heldLeft;
            wetR[j] = heldRight;
        }
    }
    m.resampleCounter = counter;
    m.resampleHeldLeft = heldLeft;
    m.resampleHeldRight = heldRight;
}
