#include "plot/echo_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>

namespace plot {

namespace {

// The largest magnitude within `window` frames of every frame (2 × window − 1 frames wide),
// kept by a queue of frames whose magnitudes fall from front to back.
std::vector<float> windowMaxima(const std::vector<float>& lane, int64_t window) {
    const auto n = static_cast<int64_t>(lane.size());
    std::vector<float> maxima(lane.size());
    std::deque<int64_t> queue;
    for (int64_t right = 0; right < n + window - 1; ++right) {
        if (right < n) {
            const float v = std::fabs(lane[static_cast<size_t>(right)]);
            while (!queue.empty() && std::fabs(lane[static_cast<size_t>(queue.back())]) <= v)
                queue.pop_back();
            queue.push_back(right);
        }
        const int64_t centre = right - window + 1;
        if (centre < 0) continue;
        while (queue.front() < centre - window + 1) queue.pop_front();
        maxima[static_cast<size_t>(centre)] = std::fabs(lane[static_cast<size_t>(queue.front())]);
    }
    return maxima;
}

}  // namespace

double decibels(double magnitude) { return 20.0 * std::log10(magnitude); }

double framesToMs(int64_t frames, int32_t sampleRate) {
    return static_cast<double>(frames) * 1000.0 / sampleRate;
}

int64_t echoWindow(int64_t delayLeft, int64_t offsetLeft, int64_t delayRight, int64_t offsetRight) {
    // A line of length 0 acts as one of a single frame.
    delayLeft = std::max<int64_t>(delayLeft, 1);
    delayRight = std::max<int64_t>(delayRight, 1);
    offsetLeft = std::max<int64_t>(offsetLeft, 1);
    offsetRight = std::max<int64_t>(offsetRight, 1);
    int64_t gap = std::min(delayLeft, delayRight);
    if (delayLeft == delayRight) {
        const int64_t apart = std::abs(offsetLeft - offsetRight) % delayLeft;
        if (apart > 0) gap = std::min({gap, apart, delayLeft - apart});
    }
    return std::max<int64_t>(gap / 2, 1);
}

std::vector<Echo> findEchoes(const ImpulseResponse& response, double floorDb, int64_t window) {
    const double floorLevel = std::pow(10.0, floorDb / 20.0);
    std::vector<Echo> echoes;
    for (int side = 0; side < 2; ++side) {
        const std::vector<float>& lane = response.wet[static_cast<size_t>(side)];
        const std::vector<float> maxima = windowMaxima(lane, window);
        int64_t last = -window;  // the last echo taken
        for (size_t i = 1; i < lane.size(); ++i) {
            const float v = std::fabs(lane[i]);
            if (v < floorLevel || v != maxima[i]) continue;
            const auto frame = static_cast<int64_t>(i);
            if (frame - last < window) continue;  // equal to an earlier peak close by
            echoes.push_back({frame, side, lane[i]});
            last = frame;
        }
    }
    std::stable_sort(echoes.begin(), echoes.end(),
                     [](const Echo& a, const Echo& b) { return a.frame < b.frame; });
    return echoes;
}

std::string echoTableText(const std::vector<Echo>& echoes, const ImpulseResponse& response) {
    std::string out;
    char line[160];
    const auto level = [](float v) {
        char text[32] = "-inf";
        if (v != 0.0f) std::snprintf(text, sizeof text, "%.2f", decibels(std::fabs(v)));
        return std::string(text);
    };
    std::snprintf(line, sizeof line, "# dry at frame 0: left %s dB %s, right %s dB %s\n",
                  level(response.dry[0]).c_str(), response.dry[0] < 0.0f ? "-" : "+",
                  level(response.dry[1]).c_str(), response.dry[1] < 0.0f ? "-" : "+");
    out += line;
    std::snprintf(line, sizeof line, "%10s %12s %10s %9s %5s %8s\n", "frame", "ms", "ticks",
                  "level_db", "side", "polarity");
    out += line;
    for (const Echo& e : echoes) {
        std::snprintf(line, sizeof line, "%10lld %12.3f %10.3f %9.2f %5s %8s\n",
                      static_cast<long long>(e.frame), framesToMs(e.frame, response.sampleRate),
                      static_cast<double>(e.frame) / response.samplesPerTick,
                      decibels(std::fabs(e.value)), e.side == 0 ? "left" : "right",
                      e.value < 0.0f ? "-" : "+");
        out += line;
    }
    return out;
}

}  // namespace plot
