// The value a delay mode takes from its mode parameter, and the clipping make-up gain.
#pragma once

#include <cstdint>

#include "machine/constants.h"

// The mode parameter (1..100) as a share of its range, held in single precision: 1 gives
// a clip level of 327, not 328.
inline double modeParameterShare(int32_t param) {
    return static_cast<float>(param / kModeParameterScale);
}

// What a share means before it is truncated: the clip level on the full scale, and the
// bitcrusher's bit depth (all 16 bits at a share of 1).
inline double clipLevelOf(double share) { return share * kFullScale; }
inline double crusherBitsOf(double share) { return share * kBitcrusherMaxBits; }

// The mode value of `mode` for mode parameter `param` (1..100): the clip level for
// "Clipping", the shaper amount for "Waveshaper", the quantisation step for "Bitcrusher".
// Modes without a value give nothing; `hasModeValue` says which do.
bool hasModeValue(int32_t mode);
int32_t modeValueFor(int32_t mode, int32_t param);

// Make-up gain of the Clipping mode at clip level `level`, so the clipped loop keeps its
// loudness: 1 at full scale, rising as the level falls.
float clipGainFor(float level);
