// The machine end to end in our host: created, ticked and rendered only through its
// operations.
#include <gtest/gtest.h>

#include <vector>

#include "core/hosted_machine.h"
#include "core/parameter_record.h"
#include "machine/parameters.h"
#include "test_support.h"

namespace {

constexpr int kSamplesValue = 32000;  // delay values above this count samples

// Defaults, then no inertia, so that every later value is in force from the next period.
struct Hosted {
    Hosted()
        : machine(test::pluginLibrary().code(), 44100, 5512),
          record(*test::pluginLibrary().info()) {
        record.setDefaults();
        record.set(ParamInertia, 0);
        machine.tick(record);
        record.clear();
    }
    void tick(std::initializer_list<std::pair<int, int>> values) {
        record.clear();
        for (auto [index, value] : values) record.set(index, value);
        machine.tick(record);
    }
    std::vector<float> render(std::vector<float> frames, int32_t workMode = 3) {
        for (size_t at = 0; at < frames.size() / 2; at += 64)
            EXPECT_TRUE(machine.render(frames.data() + 2 * at, 64, workMode));
        return frames;
    }
    core::HostedMachine machine;
    core::ParameterRecord record;
};

TEST(Hosted, ImpulseEchoesAfterTheOffsetThenEveryLoopLength) {
    Hosted h;
    h.tick({{ParamDelayLeft, kSamplesValue + 100},
            {ParamOffsetLeft, kSamplesValue + 30},
            {ParamDelayRight, kSamplesValue + 50},
            {ParamModeRight, 1},
            {ParamDryLeft, 0},
            {ParamDryRight, 0}});
    std::vector<float> in(2 * 384, 0.0f);
    in[0] = 1000.0f;
    in[1] = 1000.0f;
    const std::vector<float> out = h.render(in);
    // Left: first echo after the offset, then every 100 samples; right: after one sample,
    // then every 50, inverted.
    std::vector<float> left(384, 0.0f), right(384, 0.0f);
    float echo = 500.0f;
    for (int j = 30; j < 384; j += 100, echo /= 2) left[j] = echo;
    echo = -500.0f;
    for (int j = 1; j < 384; j += 50, echo /= 2) right[j] = echo;
    for (int j = 0; j < 384; ++j) {
        ASSERT_EQ(out[2 * j], left[j]) << j;
        ASSERT_EQ(out[2 * j + 1], right[j]) << j;
    }
}

TEST(Hosted, DrySignalAndEchoesAddUpAndTheTailSurvivesAPause) {
    Hosted h;
    h.tick({{ParamDelayLeft, kSamplesValue + 40}, {ParamDelayRight, kSamplesValue + 40}});
    std::vector<float> in(2 * 128, 0.0f);
    in[0] = 800.0f;
    std::vector<float> out = h.render(in);
    EXPECT_EQ(out[0], 800.0f);
    EXPECT_EQ(out[2], 400.0f);
    EXPECT_EQ(out[2 * 41], 200.0f);
    std::vector<float> ignored(2 * 64, 3.0f);
    EXPECT_TRUE(h.machine.render(ignored.data(), 64, 1));
    EXPECT_FALSE(h.machine.render(ignored.data(), 64, 0));
    out = h.render(std::vector<float>(2 * 64, 0.0f), 2);
    EXPECT_EQ(out[2 * 33], 25.0f) << "frame 161: the fifth echo, where the tail was left";
}

}  // namespace
