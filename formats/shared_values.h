// The controls' values between the host's main thread and the thread that renders, without a
// lock: what the renderer took last (for the host to read back and for the texts to follow),
// and what the main thread set for it (a state loaded, a program chosen), which the renderer
// collects before its next frame. A value posted twice before it is collected goes once, the
// later one.
#pragma once

#include <atomic>
#include <cstdint>

#include "formats/controls.h"
#include "formats/plugin_state.h"

namespace formats {

class SharedValues {
  public:
    static_assert(kControlCount <= 64, "one bit of the pending mask a control");

    explicit SharedValues(const ControlValues& start) {
        for (int id = 0; id < kControlCount; ++id)
            current_[id].store(start[static_cast<size_t>(id)]);
    }

    // Either thread: the value a control stands at.
    double current(int id) const { return current_[id].load(std::memory_order_relaxed); }
    ControlValues all() const {
        ControlValues values{};
        for (int id = 0; id < kControlCount; ++id) values[static_cast<size_t>(id)] = current(id);
        return values;
    }
    // The renderer: a value it took.
    void took(int id, double value) { current_[id].store(value, std::memory_order_relaxed); }

    // The main thread: a value for the renderer to take.
    void post(int id, double value) {
        posted_[id].store(value, std::memory_order_relaxed);
        current_[id].store(value, std::memory_order_relaxed);
        pending_.fetch_or(uint64_t{1} << id, std::memory_order_release);
    }
    // The renderer: every value posted since it last looked, each to `take(id, value)`.
    template <typename Take>
    void collect(Take take) {
        if (pending_.load(std::memory_order_relaxed) == 0) return;
        uint64_t pending = pending_.exchange(0, std::memory_order_acquire);
        while (pending != 0) {
            const int id = __builtin_ctzll(pending);
            pending &= pending - 1;
            take(id, posted_[id].load(std::memory_order_relaxed));
        }
    }

    // The host's tempo as the renderer last had it (0 until the host sends one).
    double hostTempo() const { return hostTempo_.load(std::memory_order_relaxed); }
    void setHostTempo(double tempo) { hostTempo_.store(tempo, std::memory_order_relaxed); }

  private:
    std::atomic<double> current_[kControlCount];
    std::atomic<double> posted_[kControlCount];
    std::atomic<uint64_t> pending_{0};
    std::atomic<double> hostTempo_{0.0};
};

}  // namespace formats
