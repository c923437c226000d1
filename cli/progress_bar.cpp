#include "cli/progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace cli {

namespace {
constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
}  // namespace

ProgressBar::ProgressBar(int32_t sampleRate, bool wanted)
    : sampleRate_(sampleRate), enabled_(wanted && isatty(STDERR_FILENO) == 1) {}

void ProgressBar::update(int64_t framesDone, int64_t inputFrames) {
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    if (drawn_ && now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;

    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double speed = seconds > 0.0 ? framesDone / double(sampleRate_) / seconds : 0.0;
    std::string line;
    if (inputFrames > 0 && framesDone <= inputFrames) {
        const double share = double(framesDone) / double(inputFrames);
        const int filled = std::clamp(static_cast<int>(share * kBarWidth), 0, kBarWidth);
        line = "[" + std::string(static_cast<size_t>(filled), '#') +
               std::string(static_cast<size_t>(kBarWidth - filled), '-') + "] ";
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "%3d%%  %.1fx real time",
                      static_cast<int>(share * 100.0), speed);
        line += numbers;
    } else {
        char numbers[96];
        const double past = inputFrames > 0 ? double(framesDone - inputFrames) / sampleRate_
                                            : double(framesDone) / sampleRate_;
        std::snprintf(numbers, sizeof numbers, "%s %.1f s  %.1fx real time",
                      inputFrames > 0 ? "echo tail" : "rendered", past, speed);
        line = numbers;
    }
    std::fprintf(stderr, "\r%-60s", line.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressBar::finish() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r%60s\r", "");
    std::fflush(stderr);
    drawn_ = false;
}

}  // namespace cli
