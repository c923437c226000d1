// The value a delay mode takes from its mode parameter, and the clipping make-up gain.
#pragma once

#include <cstdint>

// The mode value of `mode` for mode parameter `param` (1..100): the clip level for
// "Clipping", the shaper amount for "Waveshaper", the quantisation step for "Bitcrusher".
// Modes without a value give nothing; `hasModeValue` says which do.
bool hasModeValue(int32_t mode);
int32_t modeValueFor(int32_t mode, int32_t param);

// Make-up gain of the Clipping mode at clip level `level`, so the clipped loop keeps its
// loudness: 1 at full scale, rising as the level falls.
float clipGainFor(float level);
