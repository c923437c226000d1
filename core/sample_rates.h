// The sample rates a session of ours runs at, whether a file's header or an option gives them.
// Anything outside is refused before the machine runs: a hostile header claiming 1 GHz would
// otherwise ask for hours of tail.
#pragma once

#include <cstdint>

namespace core {

inline constexpr int32_t kLowestSampleRate = 1;
inline constexpr int32_t kHighestSampleRate = 768000;

}  // namespace core
