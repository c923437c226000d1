// The plug-in in our own lilv host, bit for bit against the offline host replaying the same
// session: the same ticks at the same frames.
#include "lv2_host.h"

#include <algorithm>
#include <random>
#include <sstream>

namespace {

using lv2test::Instance;
using plugintest::Channels;
using plugintest::expectSame;
using plugintest::header;
using plugintest::kBusy;
using plugintest::replay;
using plugintest::samplesPerTick;
using plugintest::settingsText;
using plugintest::testSignal;

TEST(Lv2Host, FixedSettingsEqualTheOfflineHostAtEveryRate) {
    for (const int32_t rate : {22050, 44100, 48000, 96000}) {
        SCOPED_TRACE(rate);
        Instance plugin(rate);
        ASSERT_NE(plugin.instance, nullptr);
        for (auto [index, value] : kBusy) plugin.set(index, static_cast<float>(value));
        plugin.tempo = 133.0f;
        plugin.ticksPerBeat = 3.0f;
        plugin.activate();
        const Channels in = testSignal(static_cast<size_t>(rate), 7);
        Channels out;
        plugin.process(in.left, in.right, out.left, out.right, 256);
        const int32_t tpt = samplesPerTick(rate, 133.0, 3);
        const Channels expected = replay(header(rate, tpt) + "tick defaults" + settingsText(kBusy) +
                                             "\nrender " + std::to_string(in.left.size()) + " 3\n",
                                         in);
        expectSame(out, expected);
    }
}

TEST(Lv2Host, ControlChangesBetweenRunsArriveInOneTick) {
    const int32_t rate = 48000;
    Instance plugin(rate);
    ASSERT_NE(plugin.instance, nullptr);
    plugin.activate();
    const Channels in = testSignal(30000, 3);
    Channels out{std::vector<float>(30000), std::vector<float>(30000)};
    const int32_t tpt = samplesPerTick(rate, 126.0, 4);
    std::string script = header(rate, tpt) + "tick defaults\n";
    // Runs of 1000 frames; before some of them a few controls change, one with a value off
    // its step and one out of range, which arrive rounded and clamped.
    struct Change {
        size_t run;
        int index;
        float value;
        int delivered;
    };
    const std::vector<Change> changes = {{3, ParamFeedbackLeft, 90.4f, 90},
                                         {3, ParamWetRight, 250.0f, 250},
                                         {7, ParamDelayLeft, 2500.0f, 2500},
                                         {7, ParamInertia, 0.0f, 0},
                                         {12, ParamCutoff, 1e9f, 65000},
                                         {12, ParamFilterType, 2.0f, 2},
                                         {12, ParamCutoff, 20000.0f, 20000},
                                         {20, ParamModeRight, 2.0f, 2},
                                         {20, ParamFeedbackLeft, std::nanf(""), 90}};
    size_t rendered = 0;
    for (size_t run = 0; run < 30; ++run) {
        std::map<int, int> sent;
        for (const Change& c : changes)
            if (c.run == run) {
                plugin.set(c.index, c.value);
                if (!std::isnan(c.value)) sent[c.index] = c.delivered;
            }
        if (!sent.empty()) {
            script += "tick";
            for (auto [index, value] : sent)
                script += " " + std::to_string(index) + "=" + std::to_string(value);
            script += "\n";
        }
        plugin.run(in.left.data() + rendered, in.right.data() + rendered,
                   out.left.data() + rendered, out.right.data() + rendered, 1000);
        script += "render 1000 3\n";
        rendered += 1000;
    }
    const Channels expected = replay(script, in);
    expectSame(out, expected);
}

TEST(Lv2Host, BlockLengthsAndInPlaceBuffersGiveTheSameBits) {
    const int32_t rate = 44100;
    const Channels in = testSignal(40000, 11);
    const Channels expected =
        replay(header(rate, samplesPerTick(rate, 126.0, 4)) + "tick defaults" +
                   settingsText(kBusy) + "\nrender 40000 3\n",
               in);
    for (const uint32_t block : {1u, 7u, 256u, 1000u, 8192u}) {
        SCOPED_TRACE(block);
        Instance plugin(rate);
        ASSERT_NE(plugin.instance, nullptr);
        for (auto [index, value] : kBusy) plugin.set(index, static_cast<float>(value));
        plugin.activate();
        Channels out;
        plugin.process(in.left, in.right, out.left, out.right, block);
        expectSame(out, expected);

        // The same with the output written over the input.
        Instance inPlace(rate);
        for (auto [index, value] : kBusy) inPlace.set(index, static_cast<float>(value));
        inPlace.activate();
        Channels io = in;
        for (size_t at = 0; at < io.left.size(); at += block) {
            const auto n = static_cast<uint32_t>(std::min<size_t>(block, io.left.size() - at));
            inPlace.run(io.left.data() + at, io.right.data() + at, io.left.data() + at,
                        io.right.data() + at, n);
            inPlace.run(io.left.data(), io.right.data(), io.left.data(), io.right.data(), 0);
        }
        expectSame(io, expected);
    }
}

// Frames at which a wet-only output holds an echo of a click.
std::vector<long> echoFrames(const std::vector<float>& out, long from, long to) {
    std::vector<long> frames;
    for (long i = from; i < to; ++i)
        if (std::fabs(out[static_cast<size_t>(i)]) > 1e-4f) frames.push_back(i);
    return frames;
}

std::vector<long> spacings(const std::vector<long>& frames) {
    std::vector<long> gaps;
    for (size_t i = 1; i < frames.size(); ++i) gaps.push_back(frames[i] - frames[i - 1]);
    return gaps;
}

TEST(Lv2Host, HostTempoChangeInsideABlockMovesTheEchoesAtItsFrame) {
    const int32_t rate = 44100;
    const size_t frames = 160000;
    const uint32_t change = 60000 + 123;  // inside a run of 8192 frames
    Channels in{std::vector<float>(frames), std::vector<float>(frames)};
    in.left[0] = 0.5f;
    in.right[change + 500] = 0.5f;  // echoes on into the runs after the change
    in.left[70000] = 0.5f;
    // One echo a tick (1000 thousandths), wet only, decaying by 0.3 per echo.
    const std::vector<std::pair<int, int>> settings = {
        {ParamDelayLeft, 1000},   {ParamDelayRight, 1000}, {ParamFeedbackLeft, 30},
        {ParamFeedbackRight, 30}, {ParamDryLeft, 0},       {ParamDryRight, 0}};
    Instance plugin(rate);
    ASSERT_NE(plugin.instance, nullptr);
    for (auto [index, value] : settings) plugin.set(index, static_cast<float>(value));
    plugin.tempo = 50.0f;  // the host's tempo rules over the port
    plugin.activate();
    Channels out;
    plugin.process(in.left, in.right, out.left, out.right, 8192, {{0, 126.0f}, {change, 90.0f}});

    const int32_t before = samplesPerTick(rate, 126.0, 4), after = samplesPerTick(rate, 90.0, 4);
    ASSERT_EQ(before, 5250);
    ASSERT_EQ(after, 7350);
    const Channels expected = replay(
        header(rate, before) + "tick defaults" + settingsText(settings) + "\nrender " +
            std::to_string(change) + " 3\ntpt " + std::to_string(after) +
            "\ntick 1=1000 2=1000 3=0 4=0\nrender " + std::to_string(frames - change) + " 3\n",
        in);
    expectSame(out, expected);

    // The click before the change echoes every 5250 frames, the one after every 7350.
    const std::vector<long> early = spacings(echoFrames(out.left, 1, change));
    ASSERT_GE(early.size(), 3u);
    for (long gap : early) EXPECT_EQ(gap, before);
    const std::vector<long> late = spacings(echoFrames(out.left, 70001, static_cast<long>(frames)));
    ASSERT_GE(late.size(), 3u);
    for (long gap : late) EXPECT_EQ(gap, after);
}

// A host that sends an event out of order: it takes effect where the block has got to, and no
// frame is rendered twice (in place, a second pass would run the echoes through again).
TEST(Lv2Host, AnEventOutOfOrderTakesEffectWhereTheBlockHasGot) {
    const int32_t rate = 48000;
    const uint32_t frames = 8192;
    Instance plugin(rate);
    ASSERT_NE(plugin.instance, nullptr);
    const std::vector<std::pair<int, int>> settings = {{ParamDelayLeft, 100},
                                                       {ParamDelayRight, 150}};
    for (auto [index, value] : settings) plugin.set(index, static_cast<float>(value));
    plugin.activate();
    Channels in = testSignal(frames, 11);
    Channels out = in;
    plugin.run(out.left.data(), out.right.data(), out.left.data(), out.right.data(), frames,
               {{5000, 90.0f}, {3000, 60.0f}});
    const std::string lengths = "\ntick 1=100 2=150 3=0 4=0\n";
    const Channels expected = replay(
        header(rate, samplesPerTick(rate, 126.0, 4)) + "tick defaults" + settingsText(settings) +
            "\nrender 5000 3\ntpt " + std::to_string(samplesPerTick(rate, 90.0, 4)) + lengths +
            "tpt " + std::to_string(samplesPerTick(rate, 60.0, 4)) + lengths + "render " +
            std::to_string(frames - 5000) + " 3\n",
        in);
    expectSame(out, expected);
}

TEST(Lv2Host, WithoutUridMapTheTempoPortsRule) {
    const int32_t rate = 48000;
    Instance plugin(rate, false);
    ASSERT_NE(plugin.instance, nullptr);
    plugin.set(ParamOffsetLeft, 500);
    plugin.tempo = 100.0f;
    plugin.ticksPerBeat = 6.0f;
    plugin.activate();
    const Channels in = testSignal(24000, 5);
    Channels out{std::vector<float>(24000), std::vector<float>(24000)};
    // The sequence cannot be read without the map; tempo events in it change nothing.
    plugin.run(in.left.data(), in.right.data(), out.left.data(), out.right.data(), 12000,
               {{100, 60.0f}});
    plugin.tempo = 140.0f;  // at the next run: the tick lengths again, at the new tempo
    plugin.run(in.left.data() + 12000, in.right.data() + 12000, out.left.data() + 12000,
               out.right.data() + 12000, 12000);
    const Channels expected = replay(header(rate, samplesPerTick(rate, 100.0, 6)) +
                                         "tick defaults 3=500\nrender 12000 3\ntpt " +
                                         std::to_string(samplesPerTick(rate, 140.0, 6)) +
                                         "\ntick 1=4000 2=4000 3=500 4=0\n" + "render 12000 3\n",
                                     in);
    expectSame(out, expected);
}

TEST(Lv2Host, ActivateAfterDeactivateStartsFromSilence) {
    const int32_t rate = 44100;
    Instance plugin(rate);
    ASSERT_NE(plugin.instance, nullptr);
    plugin.set(ParamFeedbackLeft, 95);
    plugin.set(ParamFeedbackRight, 95);
    plugin.activate();
    const Channels in = testSignal(20000, 9);
    Channels out;
    plugin.process(in.left, in.right, out.left, out.right, 512);
    plugin.deactivate();
    plugin.activate();
    const std::vector<float> silence(20000, 0.0f);
    plugin.process(silence, silence, out.left, out.right, 512);
    EXPECT_TRUE(std::all_of(out.left.begin(), out.left.end(), [](float s) { return s == 0.0f; }));
    EXPECT_TRUE(std::all_of(out.right.begin(), out.right.end(), [](float s) { return s == 0.0f; }));

    // And from there exactly as a new instance with the same settings.
    plugin.deactivate();
    plugin.activate();
    Channels again, fresh;
    plugin.process(in.left, in.right, again.left, again.right, 512);
    Instance other(rate);
    other.set(ParamFeedbackLeft, 95);
    other.set(ParamFeedbackRight, 95);
    other.activate();
    other.process(in.left, in.right, fresh.left, fresh.right, 512);
    expectSame(again, fresh);
}

}  // namespace
