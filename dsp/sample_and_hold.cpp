// Imitates a lower sample rate: a wet pair is captured about every `resampleRatio` frames and
// repeated until the next capture.
#include <cmath>

#include "dsp/conversions.h"
#include "machine/machine.h"

void mi::runSampleAndHold(int32_t begin, int32_t end) {
    const double ratio = resampleRatio;
    float counter = std::isfinite(resampleCounter) ? resampleCounter : 0.0f;
    float heldLeft = resampleHeldLeft, heldRight = resampleHeldRight;
    for (int32_t j = begin; j < end; ++j) {
        counter = static_cast<float>(counter + 1.0);
        if (counter >= ratio) {
            // Keep the fraction by which the capture came late.
            const double over = counter - ratio;
            counter = static_cast<float>(over - dsp::truncateTowardZero(over));
            heldLeft = wetLeft[j];
            heldRight = wetRight[j];
        } else {
            wetLeft[j] = heldLeft;
            wetRight[j] = heldRight;
        }
    }
    resampleCounter = counter;
    resampleHeldLeft = heldLeft;
    resampleHeldRight = heldRight;
}
