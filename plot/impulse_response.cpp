#include "plot/impulse_response.h"

#include <algorithm>

#include "core/frames.h"
#include "core/render_session.h"
#include "host/conventions.h"
#include "machine/parameters.h"

namespace plot {

namespace {

// Set-up starts the machine with this inertia; the first tick's own inertia reaches only
// some of the controls it sets.
constexpr int kStartInertia = 1;

class CollectingSink final : public core::FrameSink {
  public:
    explicit CollectingSink(std::vector<float>& frames) : frames_(frames) {}
    void write(const float* frames, size_t count) override {
        frames_.insert(frames_.end(), frames, frames + count * 2);
    }

  private:
    std::vector<float>& frames_;
};

}  // namespace

ImpulseResponse renderImpulse(const core::MachineCode& code, const ImpulseSettings& settings) {
    // A glide spans Inertia ticks; one tick more lets the last step land.
    const int leadInTicks = std::max(settings.values[ParamInertia], kStartInertia) + 1;

    ImpulseResponse response;
    response.sampleRate = settings.sampleRate;
    response.samplesPerTick = settings.samplesPerTick;
    response.leadInFrames = int64_t{leadInTicks} * settings.samplesPerTick;

    const auto impulseAt = static_cast<size_t>(response.leadInFrames);
    std::vector<float> input((impulseAt + static_cast<size_t>(settings.frames)) * 2, 0.0f);
    const auto unit = static_cast<float>(kFullScale);
    if (settings.side != ImpulseSide::Right) input[impulseAt * 2] = unit;
    if (settings.side != ImpulseSide::Left) input[impulseAt * 2 + 1] = unit;

    core::SessionSettings session;
    session.sampleRate = settings.sampleRate;
    session.samplesPerTick = settings.samplesPerTick;
    for (size_t i = 0; i < settings.values.size(); ++i)
        session.initialValues.emplace_back(static_cast<int>(i), settings.values[i]);
    session.tail.kind = core::Tail::Off;
    std::vector<float> output;
    output.reserve(input.size());
    core::BufferSource source(input);
    CollectingSink sink(output);
    core::renderSession(code, session, source, sink);

    for (int c = 0; c < 2; ++c) {
        std::vector<float>& lane = response.wet[static_cast<size_t>(c)];
        lane.resize(static_cast<size_t>(settings.frames));
        for (size_t i = 0; i < lane.size(); ++i)
            lane[i] = static_cast<float>(output[(impulseAt + i) * 2 + static_cast<size_t>(c)] /
                                         kFullScale);
        if (!lane.empty()) {
            response.dry[static_cast<size_t>(c)] = lane[0];
            lane[0] = 0.0f;
        }
    }
    return response;
}

}  // namespace plot
