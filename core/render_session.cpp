#include "core/render_session.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/hosted_machine.h"
#include "core/line_samples.h"
#include "core/parameter_record.h"
#include "host/conventions.h"
#include "machine/parameters.h"

namespace core {

namespace {

constexpr size_t kChunkFrames = 65536;  // frames read, rendered and written at a time
constexpr double kQuietDecibels = -96.0;
constexpr int kQuietSeconds = 1;
constexpr int kAutoTailMaxSeconds = 60;
constexpr int64_t kAutoTailMaxFrames = int64_t{1} << 24;  // 128 MiB of float stereo

class Session {
  public:
    Session(const MachineCode& code, const SessionSettings& settings)
        : settings_(settings),
          machine_(code, settings.sampleRate, settings.samplesPerTick),
          record_(*code.description),
          values_(static_cast<size_t>(record_.count())),
          quietLevel_(static_cast<float>(kFullScale * std::pow(10.0, kQuietDecibels / 20.0))) {
        requireMachine(machine_);
        for (int i = 0; i < record_.count(); ++i) values_[i] = record_.parameter(i).defaultValue;
    }

    SessionResult run(FrameSource& source, FrameSink& sink, SessionProgress* progress);

  private:
    void tick();
    int64_t stopFrame() const;
    void measure(const float* frames, size_t count);

    const SessionSettings& settings_;
    HostedMachine machine_;
    ParameterRecord record_;
    std::vector<int> values_;  // every parameter's value as last sent, for the tail's window
    const float quietLevel_;

    int64_t ticks_ = 0;
    int64_t frame_ = 0;  // frames rendered
    int64_t inputFrames_ = 0;
    bool inputEnded_ = false;
    int64_t loudEnd_ = 0;      // one past the last output frame at or above the quiet level
    int64_t quietWindow_ = 0;  // frames the output must stay quiet before the tail ends
    float peak_ = 0.0f;
};

void Session::tick() {
    const auto send = [&](const ParameterValue& value) {
        record_.set(value.first, value.second);
        values_[static_cast<size_t>(value.first)] = value.second;
    };
    if (ticks_ == 0) {
        record_.setDefaults();
        for (const ParameterValue& value : settings_.initialValues) send(value);
    } else {
        record_.clear();
    }
    const auto automated = settings_.automation.find(ticks_);
    if (automated != settings_.automation.end())
        for (const ParameterValue& value : automated->second) send(value);
    machine_.tick(record_);
    ++ticks_;

    // An echo can follow a sound by the offset plus one loop length; the tail must not end
    // in the silence before it, however long that is.
    const int32_t tpt = settings_.samplesPerTick, rate = settings_.sampleRate;
    const auto line = [&](int index) { return lineSamples(values_[index], tpt, rate); };
    quietWindow_ = std::max({quietWindow_, int64_t{rate} * kQuietSeconds,
                             line(ParamOffsetLeft) + line(ParamDelayLeft),
                             line(ParamOffsetRight) + line(ParamDelayRight)});
}

int64_t Session::stopFrame() const {
    if (!inputEnded_) return std::numeric_limits<int64_t>::max();
    switch (settings_.tail.kind) {
        case Tail::Off:
            return inputFrames_;
        case Tail::Fixed:
            return inputFrames_ + settings_.tail.frames;
        case Tail::Auto:
            break;
    }
    const int64_t longest =
        inputFrames_ +
        std::min(int64_t{settings_.sampleRate} * kAutoTailMaxSeconds, kAutoTailMaxFrames);
    return std::min(longest, std::max(inputFrames_, loudEnd_ + quietWindow_));
}

// The peak and the last loud sample of a rendered block. The peak is taken on the bits, where
// non-negative floats order as integers, so the loop runs several samples at a time; NaN counts
// for nothing. The last loud sample is looked for from the end, where it usually is.
void Session::measure(const float* frames, size_t count) {
    const size_t samples = count * 2;
    uint32_t peak = std::bit_cast<uint32_t>(peak_);
    for (size_t i = 0; i < samples; ++i) {
        const uint32_t magnitude = std::bit_cast<uint32_t>(frames[i]) & 0x7fffffffu;
        peak = std::max(peak, magnitude > 0x7f800000u ? 0u : magnitude);
    }
    peak_ = std::bit_cast<float>(peak);
    for (size_t i = samples; i-- > 0;) {
        if (std::fabs(frames[i]) >= quietLevel_) {
            loudEnd_ = frame_ + static_cast<int64_t>((i + 2) / 2);
            break;
        }
    }
}

SessionResult Session::run(FrameSource& source, FrameSink& sink, SessionProgress* progress) {
    const int64_t tpt = settings_.samplesPerTick;
    std::vector<float> buffer(kChunkFrames * 2);
    size_t filled = 0;
    int64_t inTick = tpt;  // frames of the current tick rendered; a full tick starts a new one
    bool done = false;
    while (!done) {
        while (!inputEnded_ && filled < kChunkFrames) {
            const size_t n = source.read(buffer.data() + filled * 2, kChunkFrames - filled);
            filled += n;
            inputFrames_ += static_cast<int64_t>(n);
            inputEnded_ = n == 0;
        }
        if (inputEnded_) {  // silence for the tail
            std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(filled * 2), buffer.end(), 0.0f);
            filled = kChunkFrames;
        }

        // Whole blocks only: a block never depends on where a chunk of the file ends.
        size_t at = 0;
        for (;;) {
            const int64_t stop = stopFrame();
            if (frame_ >= stop) {
                done = true;
                break;
            }
            const int64_t tickLeft = inTick == tpt ? tpt : tpt - inTick;
            const auto count = static_cast<size_t>(
                std::min({int64_t{settings_.blockFrames}, tickLeft, stop - frame_}));
            if (filled - at < count) break;
            if (inTick == tpt) {
                tick();
                inTick = 0;
            }
            float* block = buffer.data() + at * 2;
            machine_.render(block, static_cast<int32_t>(count), kWorkModeInputOutput);
            measure(block, count);
            at += count;
            frame_ += static_cast<int64_t>(count);
            inTick += static_cast<int64_t>(count);
        }
        sink.write(buffer.data(), at);
        std::memmove(buffer.data(), buffer.data() + at * 2, (filled - at) * 2 * sizeof(float));
        filled -= at;
        if (progress != nullptr)
            progress->update(frame_, inputEnded_ ? inputFrames_ : source.length());
    }

    SessionResult result;
    result.inputFrames = inputFrames_;
    result.outputFrames = frame_;
    result.ticks = ticks_;
    result.peak = peak_;
    for (auto it = settings_.automation.lower_bound(ticks_); it != settings_.automation.end(); ++it)
        ++result.automationNotReached;
    return result;
}

}  // namespace

SessionResult renderSession(const MachineCode& code, const SessionSettings& settings,
                            FrameSource& source, FrameSink& sink, SessionProgress* progress) {
    Session session(code, settings);
    return session.run(source, sink, progress);
}

}  // namespace core
