// The CLAP plug-in in our own host, bit for bit against the offline host replaying the same
// session, and what it shows and reads for each control.
#include "clap_host.h"

#include <cmath>
#include <limits>
#include <random>

#include "core/hosted_machine.h"
#include "core/linked_machine.h"
#include "settings/text_encoding.h"

namespace {

using claptest::Event;
using claptest::Plugin;
using claptest::settingEvents;
using plugintest::Channels;
using plugintest::expectSame;
using plugintest::kBusy;
using plugintest::replay;
using plugintest::samplesPerTick;
using plugintest::settingsText;
using plugintest::testSignal;

constexpr uint32_t kTempo = kParameterCount, kTicksPerBeat = kParameterCount + 1;

// The replay's start: the machine is made when the plug-in is activated, at the tempo known then.
std::string created(int32_t rate, int32_t tpt) {
    return "rate " + std::to_string(rate) + "\ntpt " + std::to_string(tpt) + "\ncreate\n";
}

TEST(ClapHost, FixedSettingsEqualTheOfflineHostAtEveryRate) {
    for (const int32_t rate : {22050, 44100, 48000, 96000}) {
        SCOPED_TRACE(rate);
        Plugin plugin;
        ASSERT_NE(plugin.plugin, nullptr);
        std::vector<Event> settings = settingEvents(kBusy);
        settings.push_back({0, kTempo, 133.0});
        settings.push_back({0, kTicksPerBeat, 3.0});
        plugin.flush(settings);  // before activation, as a host restores a session
        ASSERT_TRUE(plugin.activate(rate));
        const Channels in = testSignal(static_cast<size_t>(rate), 7);
        const int32_t tpt = samplesPerTick(rate, 133.0, 3);
        expectSame(plugin.process(in, 256),
                   replay(created(rate, tpt) + "tick defaults" + settingsText(kBusy) + "\nrender " +
                              std::to_string(in.left.size()) + " 3\n",
                          in));
    }
}

// Changes at frames inside blocks: the block is split there, and the changes at one frame
// reach the machine in one tick; a value flushed between blocks counts from the next frame.
TEST(ClapHost, ParameterEventsTakeEffectAtTheirFrames) {
    const int32_t rate = 48000;
    Plugin plugin;
    ASSERT_TRUE(plugin.activate(rate));
    const Channels in = testSignal(20000, 3);
    const std::vector<Event> events = {{10, ParamFeedbackLeft, 90.4},
                                       {10, ParamWetRight, 250},
                                       {5000, ParamDelayLeft, 2500},
                                       {5001, ParamCutoff, 1e9},
                                       {5001, ParamFilterType, 2},
                                       {12000, ParamModeRight, 2},
                                       {12000, ParamFeedbackLeft, std::nan("")}};
    Channels out = plugin.process({std::vector<float>(in.left.begin(), in.left.begin() + 16384),
                                   std::vector<float>(in.right.begin(), in.right.begin() + 16384)},
                                  4096, events);
    plugin.flush({{0, ParamDryLeft, 30}});
    const Channels rest =
        plugin.process({std::vector<float>(in.left.begin() + 16384, in.left.end()),
                        std::vector<float>(in.right.begin() + 16384, in.right.end())},
                       4096);
    out.left.insert(out.left.end(), rest.left.begin(), rest.left.end());
    out.right.insert(out.right.end(), rest.right.begin(), rest.right.end());
    const std::string script = created(rate, samplesPerTick(rate, 126.0, 4)) +
                               "tick defaults\nrender 10 3\ntick 5=90 14=250\nrender 4990 3\n"
                               "tick 1=2500\nrender 1 3\ntick 24=2 25=65000\nrender 6999 3\n"
                               "tick 8=2\nrender 4384 3\ntick 11=30\nrender 3616 3\n";
    expectSame(out, replay(script, in));
}

TEST(ClapHost, HostTempoChangeInsideABlockMovesTheTickLengths) {
    const int32_t rate = 44100;
    Plugin plugin;
    plugin.flush(settingEvents({{ParamDelayLeft, 1000}, {ParamOffsetRight, 500}}));
    ASSERT_TRUE(plugin.activate(rate));
    const Channels in = testSignal(30000, 5);
    const Channels out = plugin.process(in, 8192, {{0, 0, 126.0, true}, {10123, 0, 90.0, true}});
    const std::string script = created(rate, samplesPerTick(rate, 126.0, 4)) +
                               "tick defaults 1=1000 4=500\n" + "render 10123 3\ntpt " +
                               std::to_string(samplesPerTick(rate, 90.0, 4)) +
                               "\ntick 1=1000 2=4000 3=0 4=500\nrender 19877 3\n";
    expectSame(out, replay(script, in));
}

TEST(ClapHost, BlockLengthsAndInPlaceBuffersGiveTheSameBits) {
    const int32_t rate = 44100;
    const Channels in = testSignal(40000, 11);
    const Channels expected =
        replay(created(rate, samplesPerTick(rate, 126.0, 4)) + "tick defaults" +
                   settingsText(kBusy) + "\nrender 40000 3\n",
               in);
    for (const uint32_t block : {1u, 7u, 256u, 1000u, 8192u}) {
        SCOPED_TRACE(block);
        Plugin plugin;
        plugin.flush(settingEvents(kBusy));
        ASSERT_TRUE(plugin.activate(rate));
        expectSame(plugin.process(in, block), expected);

        Plugin inPlace;
        inPlace.flush(settingEvents(kBusy));
        ASSERT_TRUE(inPlace.activate(rate));
        Channels io = in;
        for (size_t at = 0; at < io.left.size(); at += block) {
            const auto n = static_cast<uint32_t>(std::min<size_t>(block, io.left.size() - at));
            inPlace.run(io.left.data() + at, io.right.data() + at, io.left.data() + at,
                        io.right.data() + at, n);
        }
        expectSame(io, expected);
    }
}

// A re-activation starts from silence, and a saved state loads into a new instance to the same
// bits; a state that cannot be read changes nothing.
TEST(ClapHost, ReactivationAndStateGiveTheSessionsBits) {
    const int32_t rate = 48000;
    const Channels in = testSignal(24000, 9);
    Plugin first;
    std::vector<Event> settings = settingEvents(kBusy);
    settings.push_back({0, kTempo, 97.0});
    settings.push_back({0, kTicksPerBeat, 6.0});
    first.flush(settings);
    ASSERT_TRUE(first.activate(rate));
    first.process(in, 512);
    ASSERT_TRUE(first.activate(rate));
    const Channels again = first.process(in, 512);

    Plugin second;
    ASSERT_TRUE(second.load(first.save()));
    EXPECT_EQ(second.value(kTempo), 97.0);
    ASSERT_TRUE(second.activate(rate));
    expectSame(second.process(in, 512), again);

    for (const char* bad : {"", "hello", "# Tarvo Delay settings\nDLY FbackL=banana\n",
                            "# Tarvo Delay settings\nTempo=5000\n"}) {
        EXPECT_FALSE(second.load(bad)) << bad;
        EXPECT_EQ(second.value(ParamFeedbackLeft), 70.0);
    }
}

// Every value of every parameter shows the machine's own text, the mode parameters' in each
// delay mode of their side.
TEST(ClapHost, EveryValueShowsTheMachinesText) {
    Plugin plugin;
    ASSERT_TRUE(plugin.activate(44100));
    core::HostedMachine machine(core::linkedMachine(), 44100, 5512);
    core::ParameterRecord record(*GetInfo());
    const auto expected = [&](int index, int value) {
        const char* text = machine.valueText(index, value);
        return text != nullptr ? settings::windows1252ToUtf8(text) : std::to_string(value);
    };
    for (int mode = 0; mode <= 5; ++mode) {
        plugin.flush({{0, ParamModeLeft, static_cast<double>(mode)},
                      {0, ParamModeRight, static_cast<double>(5 - mode)}});
        record.clear();
        record.set(ParamModeLeft, mode);
        record.set(ParamModeRight, 5 - mode);
        machine.tick(record);
        for (int i = 0; i < kParameterCount; ++i) {
            if (mode > 0 && i != ParamModeParamLeft && i != ParamModeParamRight) continue;
            const ParameterDescriptor& d = *GetInfo()->parameters[i];
            int wrong = 0;
            for (int v = d.minValue; v <= d.maxValue; ++v)
                if (plugin.text(static_cast<uint32_t>(i), v) != expected(i, v) && wrong++ < 3)
                    ADD_FAILURE() << d.name << " " << v << ": " << plugin.text(i, v);
        }
    }
}

// What a user types: everything --set takes, at the session's rate, tempo and ticks per beat.
TEST(ClapHost, TypedTextsBecomeTheValuesTheToolReads) {
    struct Case {
        int32_t rate;
        double tempo;
        uint32_t id;
        const char* typed;
        std::optional<double> value;
    };
    const Case cases[] = {
        {44100, 126.0, ParamDelayLeft, "1/8.", 3000},
        {48000, 126.0, ParamDelayLeft, "250ms", 44000},
        {44100, 120.0, ParamDelayRight, "1/16t", 35675},
        {44100, 126.0, ParamDryLeft, "+12dB", 396},
        {44100, 126.0, ParamFilterType, "LP/HP", 5},
        {44100, 126.0, ParamCutoff, "4.2kHz", 32600},
        {44100, 126.0, ParamFeedbackLeft, "42", 42},
        {44100, 126.0, kTempo, "120 BPM", 120},
        {44100, 126.0, kTicksPerBeat, "6", 6},
        {44100, 126.0, ParamFeedbackLeft, "banana", std::nullopt},
        {44100, 126.0, ParamDelayLeft, "5s", std::nullopt},
        {44100, 126.0, kTicksPerBeat, "0", std::nullopt},
        {44100, 126.0, kTempo, "inf", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Plugin plugin;
        plugin.flush({{0, kTempo, c.tempo}});
        ASSERT_TRUE(plugin.activate(c.rate));
        EXPECT_EQ(plugin.read(c.id, c.typed), c.value);
    }
}

bool clean(float s) { return std::isfinite(s) && (s == 0.0f || std::fabs(s) >= 1.17549435e-38f); }

// What plug-in validators do: noise at every rate and block length with random values every 32
// frames (some beyond their range, some not a number), random tempos, a burst of NaN and
// infinities; then many lifetimes.
TEST(ClapValidator, NoiseAndRandomEventsGiveCleanOutput) {
    std::mt19937 random(2025);
    std::uniform_real_distribution<double> share(-0.1, 1.1);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (const int32_t rate : {22050, 48000, 96000}) {
        for (const uint32_t block : {1u, 64u, 1000u}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, blocks of " << block);
            Plugin plugin;
            ASSERT_TRUE(plugin.activate(rate));
            Channels in{std::vector<float>(24000), std::vector<float>(24000)};
            for (size_t i = 0; i < in.left.size(); ++i) {
                in.left[i] = noise(random);
                in.right[i] =
                    i >= 9000 && i < 9100 ? std::numeric_limits<float>::quiet_NaN() : noise(random);
            }
            std::vector<Event> events;
            for (uint32_t f = 0; f < 24000; f += 32) {
                const auto id = static_cast<uint32_t>(random() % (kParameterCount + 2));
                const double value = random() % 30 == 0 ? std::nan("") : share(random) * 1000.0;
                events.push_back({f, id, value, id == kParameterCount + 1 && f % 96 == 0});
            }
            const Channels out = plugin.process(in, block, events);
            size_t bad = 0;
            for (size_t i = 0; i < out.left.size(); ++i)
                bad += !clean(out.left[i]) + !clean(out.right[i]);
            EXPECT_EQ(bad, 0u);
        }
    }
}

TEST(ClapValidator, AThousandLifetimes) {
    std::vector<float> in(64, 0.1f), out(64);
    for (int i = 0; i < 1000; ++i) {
        Plugin plugin;
        ASSERT_NE(plugin.plugin, nullptr);
        if (i % 4 == 0) continue;  // created and destroyed without ever running
        ASSERT_TRUE(plugin.activate(i % 2 ? 44100 : 96000));
        plugin.run(in.data(), in.data(), out.data(), out.data(), 64);
        if (i % 5 == 0) {
            ASSERT_TRUE(plugin.activate(48000));
            plugin.run(in.data(), in.data(), out.data(), out.data(), 64);
        }
    }
}

}  // namespace
