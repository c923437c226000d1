#include "cli/impulse_response.h"

#include <algorithm>

#include "cli/frames.h"
#include "cli/render_session.h"
#include "machine/constants.h"
#include "machine/parameters.h"

namespace cli {

namespace {

// Set-up starts the machine with this inertia; the first tick's own inertia reaches only
// some of the controls it sets.
constexpr int kStartInertia = 1;

class CollectingSink final : public FrameSink {
  public:
    explicit CollectingSink(std::vector<float>& frames) : frames_(frames) {}
    void write(const float* frames, size_t count) override {
        frames_.insert(frames_.end(), frames, frames + count * 2);
    }

  private:
    std::vector<float>& frames_;
};

}  // namespace

int settingValue(const std::vector<ParameterValue>& values, const ParameterTable& table,
                 int index) {
    int value = table[index].defaultValue;
    for (const ParameterValue& v : values)
        if (v.first == index) value = v.second;
    return value;
}

ImpulseResponse renderImpulse(const offline::PluginLibrary& library,
                              const ImpulseSettings& settings) {
    int inertia = kStartInertia;
    for (const ParameterValue& v : settings.values)
        if (v.first == ParamInertia) inertia = v.second;
    // A glide spans Inertia ticks; one tick more lets the last step land.
    const int leadInTicks = std::max(inertia, kStartInertia) + 1;

    ImpulseResponse response;
    response.sampleRate = settings.sampleRate;
    response.samplesPerTick = settings.samplesPerTick;
    response.leadInFrames = int64_t{leadInTicks} * settings.samplesPerTick;

    const auto impulseAt = static_cast<size_t>(response.leadInFrames);
    std::vector<float> input((impulseAt + static_cast<size_t>(settings.frames)) * 2, 0.0f);
    const auto unit = static_cast<float>(kFullScale);
    if (settings.side != ImpulseSide::Right) input[impulseAt * 2] = unit;
    if (settings.side != ImpulseSide::Left) input[impulseAt * 2 + 1] = unit;

    SessionSettings session;
    session.sampleRate = settings.sampleRate;
    session.samplesPerTick = settings.samplesPerTick;
    session.initialValues = settings.values;
    session.tail.kind = Tail::Off;
    std::vector<float> output;
    output.reserve(input.size());
    BufferSource source(input);
    CollectingSink sink(output);
    renderSession(library, session, source, sink);

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

}  // namespace cli
