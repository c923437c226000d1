// A one-line progress bar on standard error: percent of the input and speed as a multiple of
// real time. It draws only when standard error is a terminal.
#pragma once

#include <chrono>
#include <cstdint>

#include "core/render_session.h"

namespace cli {

class ProgressBar final : public core::SessionProgress {
  public:
    ProgressBar(int32_t sampleRate, bool wanted);
    ~ProgressBar() override { finish(); }

    void update(int64_t framesDone, int64_t inputFrames) override;
    // Clears the bar so that whatever is printed next starts on a clean line.
    void finish();

  private:
    using Clock = std::chrono::steady_clock;

    int32_t sampleRate_;
    bool enabled_;
    bool drawn_ = false;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastDraw_{};
};

}  // namespace cli
