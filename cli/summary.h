// The line that says what a render wrote.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

// "wrote OUT: 9.41 s, 44100 Hz stereo, WAV, 32-bit float, peak -3.2 dBFS"
std::string wroteLine(const std::string& path, int64_t frames, int32_t sampleRate,
                      const std::string& format, float peak);

}  // namespace cli
