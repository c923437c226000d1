// Mode values and the clipping make-up gain.
#include "control/delay_mode_value.h"

#include <cmath>

#include "machine/constants.h"

bool hasModeValue(int32_t mode) {
    return mode == DelayModeClipping || mode == DelayModeWaveshaper || mode == DelayModeBitcrusher;
}

int32_t modeValueFor(int32_t mode, int32_t param) {
    // The parameter as a fraction is held in single precision: 1 gives 327, not 328.
    const double fraction = static_cast<float>(param / kModeParameterScale);
    switch (mode) {
        case DelayModeClipping:
            return static_cast<int32_t>(fraction * kFullScale);
        case DelayModeWaveshaper:
            return param - 1;
        case DelayModeBitcrusher: {
            const int32_t bits = static_cast<int32_t>(fraction * kBitcrusherMaxBits);
            return static_cast<int32_t>(std::pow(2.0, kBitcrusherMaxBits - bits));
        }
        default:
            return 0;
    }
}

float clipGainFor(float level) {
    return static_cast<float>(kFullScale / (level + (kFullScale - level) * kClipSlope));
}
