// Mode values and the clipping make-up gain.
#include "control/delay_mode_value.h"

#include <cmath>

bool hasModeValue(int32_t mode) {
    return mode == DelayModeClipping || mode == DelayModeWaveshaper || mode == DelayModeBitcrusher;
}

int32_t modeValueFor(int32_t mode, int32_t param) {
    const double share = modeParameterShare(param);
    switch (mode) {
        case DelayModeClipping:
            return static_cast<int32_t>(clipLevelOf(share));
        case DelayModeWaveshaper:
            return param - 1;
        case DelayModeBitcrusher: {
            const int32_t bits = static_cast<int32_t>(crusherBitsOf(share));
            return static_cast<int32_t>(std::pow(2.0, kBitcrusherMaxBits - bits));
        }
        default:
            return 0;
    }
}

float clipGainFor(float level) {
    return static_cast<float>(kFullScale / (level + (kFullScale - level) * kClipSlope));
}
