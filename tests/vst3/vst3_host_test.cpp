// The plug-in in our own VST 3 host, bit for bit against the offline host replaying the same
// session: the same ticks at the same frames.
#include "vst3_host.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "tests/command_output.h"
#include "tests/json_reader.h"

namespace {

using namespace vst3test;

using plugintest::kBusy;
using plugintest::Settings;
using plugintest::settingsText;

struct Point {
    size_t frame;
    int id;
    double normalised;
};

std::vector<Point> atStart(const Settings& settings) {
    std::vector<Point> points;
    for (auto [id, value] : settings) points.push_back({0, id, normalised(id, value)});
    return points;
}

// A block's share of `points`, at their frames in the block, and the host's tempo (none: 0).
auto deliver(const std::vector<Point>& points, double tempo = 0.0) {
    return [&points, tempo](size_t from, int32_t frames, Changes& changes) {
        for (const Point& p : points)
            if (p.frame >= from && p.frame < from + static_cast<size_t>(frames))
                changes.add(p.id, static_cast<int32_t>(p.frame - from), p.normalised);
        return tempo;
    };
}

// kBusy with our tempo at 133 BPM and 3 ticks a beat, from the first frame.
std::vector<Point> busyAtStart() {
    std::vector<Point> points = atStart(kBusy);
    points.push_back({0, kTempoId, normalised(kTempoId, 133.0)});
    points.push_back({0, kTicksPerBeatId, normalised(kTicksPerBeatId, 3.0)});
    return points;
}

std::string busyScript(int32_t rate, size_t frames) {
    return header(rate, samplesPerTick(rate, 133.0, 3)) + "tick defaults" + settingsText(kBusy) +
           "\nrender " + std::to_string(frames) + " 3\n";
}

TEST(Vst3Host, FixedSettingsEqualTheOfflineHostAtEveryRate) {
    const std::vector<Point> points = busyAtStart();
    for (const int32_t rate : {22050, 44100, 48000, 96000}) {
        SCOPED_TRACE(rate);
        Plugin plugin;
        ASSERT_TRUE(plugin.ok());
        plugin.activate(rate);
        const Channels in = testSignal(static_cast<size_t>(rate), 7);
        expectSame(plugin.run(in, 256, deliver(points)),
                   replay(busyScript(rate, in.left.size()), in));
    }
}

TEST(Vst3Host, ChangesInsideABlockTakeEffectAtTheirFrames) {
    const int32_t rate = 48000, block = 4096;
    struct Change {
        size_t frame;
        int id;
        double normalised;
        int delivered;
    };
    const std::vector<Change> changes = {
        {0, ParamDelayLeft, normalised(ParamDelayLeft, 1500), 1500},
        {1, ParamFeedbackLeft, normalised(ParamFeedbackLeft, 90), 90},
        {1000, ParamWetRight, normalised(ParamWetRight, 250), 250},  // two at one frame
        {1000, ParamFilterType, normalised(ParamFilterType, 2), 2},
        {2000, ParamFeedbackLeft, normalised(ParamFeedbackLeft, 10), 20},  // twice at one frame
        {2000, ParamFeedbackLeft, normalised(ParamFeedbackLeft, 20), 20},
        {3000, ParamFeedbackRight, 1.5, 100},  // beyond the range: its end
        {3000, ParamCutoff, std::nan(""), 0},  // not a number: nothing
        {4095, ParamWetLeft, -0.2, 0},
        {4096, ParamDelayRight, normalised(ParamDelayRight, 32001 + 700), 32001 + 700},
        {8191, ParamModeRight, normalised(ParamModeRight, 2), 2}};
    std::vector<Point> points;
    for (const Change& c : changes) points.push_back({c.frame, c.id, c.normalised});
    Plugin plugin;
    ASSERT_TRUE(plugin.ok());
    plugin.activate(rate);
    const Channels in = testSignal(3 * block, 3);
    const Channels out = plugin.run(in, block, deliver(points));

    std::string script = header(rate, samplesPerTick(rate, 126.0, 4)) + "tick defaults";
    size_t rendered = 0;
    for (size_t i = 0; i < changes.size();) {
        const size_t frame = changes[i].frame;
        if (frame > rendered) script += "\nrender " + std::to_string(frame - rendered) + " 3\ntick";
        rendered = frame;
        std::map<int, int> tick;
        for (; i < changes.size() && changes[i].frame == frame; ++i)
            if (!std::isnan(changes[i].normalised)) tick[changes[i].id] = changes[i].delivered;
        for (auto [id, value] : tick)
            script += " " + std::to_string(id) + "=" + std::to_string(value);
    }
    script += "\nrender " + std::to_string(in.left.size() - rendered) + " 3\n";
    expectSame(out, replay(script, in));
}

TEST(Vst3Host, TheHostsTempoBetweenBlocksMovesTheTickLengths) {
    const int32_t rate = 44100, block = 8192;
    const size_t change = 7 * block;
    Channels in{std::vector<float>(16 * block), std::vector<float>(16 * block)};
    in.left[0] = in.right[change + 500] = 0.5f;
    const std::vector<std::pair<int, int>> settings = {
        {ParamDelayLeft, 1000},   {ParamDelayRight, 1000}, {ParamFeedbackLeft, 30},
        {ParamFeedbackRight, 30}, {ParamDryLeft, 0},       {ParamDryRight, 0}};
    std::vector<Point> points = atStart(settings);
    points.push_back({0, kTempoId, normalised(kTempoId, 50.0)});  // the host's tempo rules
    Plugin plugin;
    ASSERT_TRUE(plugin.ok());
    plugin.activate(rate);
    const auto early = deliver(points, 126.0);
    const Channels out = plugin.run(in, block, [&](size_t from, int32_t frames, Changes& c) {
        return from < change ? early(from, frames, c) : 90.0;
    });
    expectSame(out, replay(header(rate, samplesPerTick(rate, 126.0, 4)) + "tick defaults" +
                               settingsText(settings) + "\nrender " + std::to_string(change) +
                               " 3\ntpt " + std::to_string(samplesPerTick(rate, 90.0, 4)) +
                               "\ntick 1=1000 2=1000 3=0 4=0\nrender " +
                               std::to_string(in.left.size() - change) + " 3\n",
                           in));
}

TEST(Vst3Host, BlockLengthsAndInPlaceBuffersGiveTheSameBits) {
    const int32_t rate = 44100;
    const Channels in = testSignal(40000, 11);
    const Channels expected = replay(busyScript(rate, in.left.size()), in);
    const std::vector<Point> points = busyAtStart();
    for (const int32_t block : {1, 7, 256, 1000, 8192}) {
        SCOPED_TRACE(block);
        Plugin plugin, inPlace;
        ASSERT_TRUE(plugin.ok() && inPlace.ok());
        plugin.activate(rate);
        expectSame(plugin.run(in, block, deliver(points)), expected);

        inPlace.activate(rate);
        Channels io = in;
        for (size_t at = 0; at < io.left.size(); at += static_cast<size_t>(block)) {
            const auto n = static_cast<int32_t>(std::min<size_t>(block, io.left.size() - at));
            Changes changes;
            deliver(points)(at, n, changes);
            float* l = io.left.data() + at;
            float* r = io.right.data() + at;
            inPlace.process(l, r, l, r, n, &changes);
        }
        expectSame(io, expected);
    }
}

TEST(Vst3Host, ReactivationStartsFromSilence) {
    const int32_t rate = 44100;
    const std::vector<Point> points = atStart({{ParamFeedbackLeft, 95}, {ParamFeedbackRight, 95}});
    const Channels in = testSignal(20000, 9);
    Plugin plugin;
    ASSERT_TRUE(plugin.ok());
    plugin.activate(rate);
    plugin.run(in, 512, deliver(points));
    plugin.deactivate();
    plugin.activate(rate);
    const Channels silence{std::vector<float>(20000), std::vector<float>(20000)};
    expectSame(plugin.run(silence, 512), silence);

    // And from there exactly as a new instance with the same settings.
    plugin.deactivate();
    plugin.activate(rate);
    Plugin fresh;
    fresh.activate(rate);
    expectSame(plugin.run(in, 512), fresh.run(in, 512, deliver(points)));
}

// The plain values the controller shows for every control.
std::vector<double> controllerValues(Plugin& plugin) {
    std::vector<double> values;
    for (int id = 0; id <= kTicksPerBeatId; ++id) values.push_back(plugin.plain(id));
    return values;
}

TEST(Vst3Host, AStateLoadsIntoAFreshInstanceWithTheSameOutput) {
    const int32_t rate = 44100;
    const Channels in = testSignal(30000, 5);
    Plugin first;
    ASSERT_TRUE(first.ok());
    first.activate(rate);
    const Channels out = first.run(in, 512, deliver(busyAtStart()));
    const std::optional<std::string> saved = first.state();
    ASSERT_TRUE(saved);

    // Loaded while the processor is active: it takes the values at its next block.
    Plugin second;
    second.activate(rate);
    ASSERT_EQ(second.setState(*saved), V3_OK);
    expectSame(second.run(in, 512), out);

    std::map<int, double> expected = {{kTempoId, 133.0}, {kTicksPerBeatId, 3.0}};
    for (auto [id, value] : kBusy) expected[id] = value;
    const std::vector<double> shown = controllerValues(second);
    for (int id = 0; id <= kTicksPerBeatId; ++id) {
        const double value = expected.count(id)
                                 ? expected[id]
                                 : machineLibrary().info()->parameters[id]->defaultValue;
        EXPECT_NEAR(shown[static_cast<size_t>(id)], value, 1e-9) << id;
    }
}

// A host may save a session in which nothing has been processed since the user set a value:
// the controller tells the processor, whose state holds it.
TEST(Vst3Host, ValuesSetOnTheControllerAreInTheStateBeforeAnyBlock) {
    Plugin plugin;
    ASSERT_TRUE(plugin.ok());
    plugin.setPlain(ParamDelayLeft, 3000);
    plugin.setPlain(kTempoId, 97);
    const std::optional<std::string> saved = plugin.state();
    ASSERT_TRUE(saved);
    Plugin loaded;
    ASSERT_EQ(loaded.setState(*saved), V3_OK);
    EXPECT_EQ(loaded.plain(ParamDelayLeft), 3000);
    EXPECT_EQ(loaded.plain(kTempoId), 97);
}

TEST(Vst3Host, AStateThatCannotBeReadIsRefusedAndChangesNothing) {
    Plugin plugin;
    ASSERT_TRUE(plugin.ok());
    plugin.activate(44100);
    Plugin source;
    source.activate(44100);
    source.run(testSignal(64, 1), 64, deliver(busyAtStart()));
    ASSERT_EQ(plugin.setState(*source.state()), V3_OK);
    const std::optional<std::string> before = plugin.state();
    const std::vector<double> shown = controllerValues(plugin);
    const std::string heading = "# Tarvo Delay settings\n";
    for (const std::string& bad :
         {std::string(), std::string("DLY FbackL=50\n"), heading + "DLY FbackL=banana\n",
          heading + "No Such Parameter=1\n", heading + "Tempo=5000\n",
          heading + "Ticks per beat=2.5\n"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(plugin.setState(bad), V3_FALSE);
        EXPECT_EQ(plugin.state(), before);
        EXPECT_EQ(controllerValues(plugin), shown);
    }
}

#ifdef TARVO_CLI_PATH
using test::toolOutput;

std::string programText(Plugin& plugin, int index, const char* attribute) {
    v3_str_128 text{};
    const v3_result r =
        attribute
            ? v3_cpp_obj(plugin.units)->get_program_info(plugin.units, 1, index, attribute, text)
            : v3_cpp_obj(plugin.units)->get_program_name(plugin.units, 1, index, text);
    return r == V3_OK ? toUtf8(text) : "(refused)";
}

// Each program is a factory preset with the values the tool reads from its file: in the
// controller (which has the host read them again) and, chosen at a block's first frame, in the
// processor.
TEST(Vst3Host, EveryProgramIsAFactoryPresetWithTheToolsValues) {
    const jsontest::Value presets = jsontest::parse(toolOutput("presets --json"));
    ASSERT_EQ(presets.items.size(), static_cast<size_t>(kPresetCount));
    Plugin plugin;
    ASSERT_TRUE(plugin.ok());
    const Channels in = testSignal(12000, 2);
    for (int i = 0; i < kPresetCount; ++i) {
        const std::string name = presets.items[static_cast<size_t>(i)]["name"].text;
        SCOPED_TRACE(name);
        EXPECT_EQ(programText(plugin, i, nullptr), name);
        EXPECT_EQ(programText(plugin, i, "Description"),  // as much as a String128 holds
                  presets.items[static_cast<size_t>(i)]["description"].text.substr(0, 127));
        EXPECT_EQ(plugin.text(kProgramId, i), name);
        EXPECT_EQ(plugin.read(kProgramId, name), i);

        const jsontest::Value values = jsontest::parse(
            toolOutput("params --json --rate 44100 --bpm 126 --tpb 4 --preset " + name));
        std::string tick;
        plugin.handler.restarts.clear();
        plugin.setPlain(kProgramId, i);
        EXPECT_EQ(plugin.handler.restarts, std::vector<int32_t>{V3_RESTART_PARAM_VALUES_CHANGED});
        for (const jsontest::Value& p : values.items) {
            const int id = static_cast<int>(p["index"].number);
            EXPECT_EQ(plugin.plain(id), p["value"].number) << p["name"].text;
            tick += " " + std::to_string(id) + "=" +
                    std::to_string(static_cast<int>(p["value"].number));
        }

        Plugin chosen;
        chosen.activate(44100);
        const std::vector<Point> program = {{0, kProgramId, normalised(kProgramId, i)}};
        expectSame(chosen.run(in, 1000, deliver(program)),
                   replay(header(44100, samplesPerTick(44100, 126.0, 4)) + "tick defaults" + tick +
                              "\nrender " + std::to_string(in.left.size()) + " 3\n",
                          in));
    }
}
#endif

}  // namespace
