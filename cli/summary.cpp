#include "cli/summary.h"

#include <cmath>
#include <cstdio>

#include "host/conventions.h"

namespace cli {

std::string wroteLine(const std::string& path, int64_t frames, int32_t sampleRate,
                      const std::string& format, float peak) {
    char level[32];
    if (peak > 0.0f)
        std::snprintf(level, sizeof level, "%.1f dBFS", 20.0 * std::log10(peak / kFullScale));
    else
        std::snprintf(level, sizeof level, "-inf dBFS (silent)");
    char line[256];
    std::snprintf(line, sizeof line, ": %.2f s, %d Hz stereo, %s, peak %s",
                  static_cast<double>(frames) / sampleRate, sampleRate, format.c_str(), level);
    return "wrote " + path + line;
}

}  // namespace cli
