// The demo's input, made in code: a few pitched, percussive hits with room between them for
// the echoes to be heard.
#pragma once

#include <cstdint>
#include <vector>

namespace cli {

// Interleaved stereo frames in the host's scale.
std::vector<float> demoInput(int32_t sampleRate);

}  // namespace cli
