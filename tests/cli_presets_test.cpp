// Factory presets, preset files and typed values through the tool, end to end.
#include "cli_support.h"

#ifdef TARVO_CLI_PATH

#include "json_reader.h"

namespace {

using clitest::Audio;
using clitest::readAudio;
using clitest::silence;
using clitest::writeAudio;
using clitest::writeFile;

using PresetTest = clitest::CliTest;

std::vector<std::string> factoryNames(const clitest::Result& json) {
    std::vector<std::string> names;
    for (const jsontest::Value& p : jsontest::parse(json.out).items)
        names.push_back(p["name"].text);
    return names;
}

TEST_F(PresetTest, ListsTheFactoryPresets) {
    const auto table = run({"presets"});
    ASSERT_EQ(table.status, 0) << table.err;
    const auto json = run({"presets", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const jsontest::Value list = jsontest::parse(json.out);
    ASSERT_GE(list.items.size(), 10u);
    ASSERT_LE(list.items.size(), 12u);
    for (const jsontest::Value& p : list.items) {
        EXPECT_NE(table.out.find(p["name"].text), std::string::npos) << p["name"].text;
        EXPECT_NE(table.out.find(p["description"].text), std::string::npos);
        EXPECT_EQ(p["description"].text.back(), '.') << "one sentence: " << p["name"].text;
    }
}

// The demo phrase through every factory preset: finite, below full scale, no notice (every
// value in a factory preset is exact), and echoes that fade rather than run away.
TEST_F(PresetTest, EveryFactoryPresetRendersTheDemoCleanly) {
    for (const std::string& name : factoryNames(run({"presets", "--json"}))) {
        const auto result = run({"demo", "--preset", name, "-o", path("demo.wav")});
        ASSERT_EQ(result.status, 0) << name << ": " << result.err;
        EXPECT_EQ(result.err, "") << name;
        const Audio out = readAudio(path("demo.wav"));
        float peak = 0.0f, last = 0.0f;
        for (size_t i = 0; i < out.samples.size(); ++i) {
            ASSERT_TRUE(std::isfinite(out.samples[i])) << name << " sample " << i;
            peak = std::max(peak, std::fabs(out.samples[i]));
            if (i + 2 * 44100 >= out.samples.size())
                last = std::max(last, std::fabs(out.samples[i]));
        }
        EXPECT_LT(peak, 1.0f) << name;
        EXPECT_LT(last, peak * 0.01f) << name << ": the last second is not quiet";
    }
}

// A click through the ping-pong: the left answers an eighth (2 ticks of 5250 samples at the
// default 126 BPM) after it, the right a quarter after it, then each every quarter.
TEST_F(PresetTest, PingPongEchoesAlternateSides) {
    Audio in = silence(44100, 2, 50000);
    in.at(0, 0) = in.at(0, 1) = 0.5f;
    writeAudio(path("in.wav"), in);
    const auto result =
        run({"render", path("in.wav"), path("out.wav"), "--preset", "ping-pong-eighths", "--set",
             "AMP DryoutL=-inf dB", "--set", "AMP_DryoutR=0%", "--tail", "0", "-q"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Audio out = readAudio(path("out.wav"));
    const auto onsets = [&](int channel) {
        std::vector<size_t> frames;
        for (size_t f : clitest::loudFrames(out, channel, 0.01f))
            if (f > 5250 && (frames.empty() || f > frames.back() + 100)) frames.push_back(f);
        return frames;
    };
    EXPECT_EQ(onsets(0), (std::vector<size_t>{10500, 31500}));
    EXPECT_EQ(onsets(1), (std::vector<size_t>{21000, 42000}));
}

// The settings written by --save-preset read back to the same raw values: the second render
// is the same in every bit, and its values need no notice.
TEST_F(PresetTest, ASavedPresetRendersTheSameBits) {
    Audio in = silence(48000, 2, 30000);
    for (size_t i = 0; i < 3000; ++i) in.at(i, 0) = in.at(i, 1) = std::sin(0.05f * i) * 0.4f;
    writeAudio(path("in.wav"), in);
    const auto first = run({"render",
                            path("in.wav"),
                            path("a.wav"),
                            "--preset",
                            "dub-echo",
                            "--set",
                            "FLT Cutoff=3333Hz",
                            "--set",
                            "DLY MParaL=37",
                            "--set",
                            "DLY DelayR=1/16t",
                            "--set",
                            "DLY OffsetL=12.3ms",
                            "--set",
                            "FLT Cutoff=5",
                            "--bpm",
                            "97",
                            "--save-preset",
                            path("saved.preset"),
                            "-q"});
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string saved = clitest::readFile(path("saved.preset"));
    EXPECT_EQ(saved.rfind("# Dotted-eighth dub echo", 0), 0u) << saved;
    EXPECT_NE(saved.find("DLY DelayL=3.000 Tick\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("DLY MParaL=37\n"), std::string::npos) << "(notused) reads as 1";
    EXPECT_NE(saved.find("FLT Cutoff=5\n"), std::string::npos) << "0Hz reads as 0";
    const auto second = run({"render", path("in.wav"), path("b.wav"), "--preset",
                             path("saved.preset"), "--bpm", "97", "-q"});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(clitest::readFile(path("a.wav")), clitest::readFile(path("b.wav")));
    const auto notices = run({"params", "--preset", path("saved.preset"), "--rate", "48000"});
    EXPECT_EQ(notices.err, "");
}

TEST_F(PresetTest, SetOverridesThePresetAndParamsShowsTheResult) {
    const auto json =
        run({"params", "--preset", "bitcrushed-echo", "--set", "DLY MParaR=12 bit", "--set",
             "FLT Cutoff=4199.6Hz", "--set", "DLY DelayL=1/16t", "--bpm", "120", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const jsontest::Value list = jsontest::parse(json.out);
    ASSERT_EQ(list.items.size(), 36u);
    EXPECT_EQ(list.items[1]["value"].number, 35675);  // 2/3 of a 5513-sample tick
    EXPECT_EQ(list.items[1]["text"].text, "3675 Smp");
    EXPECT_EQ(list.items[2]["value"].number, 3000);
    EXPECT_EQ(list.items[2]["from"].text, "preset");
    EXPECT_EQ(list.items[10]["value"].number, 75);
    EXPECT_EQ(list.items[10]["text"].text, "75 (12 Bit)");
    EXPECT_EQ(list.items[10]["from"].text, "--set");
    EXPECT_EQ(list.items[0]["from"].text, "default");
    // The two conversions that are not exact, each said once; --quiet says nothing.
    EXPECT_NE(json.err.find("tarvo-delay: FLT Cutoff=4199.6Hz: 4200Hz (raw 32600)\n"),
              std::string::npos)
        << json.err;
    EXPECT_NE(json.err.find("DLY DelayL=1/16t: 3675 Smp (raw 35675)"), std::string::npos);
    EXPECT_EQ(std::count(json.err.begin(), json.err.end(), '\n'), 2) << json.err;
    EXPECT_EQ(run({"params", "--set", "FLT Cutoff=4199.6Hz", "-q"}).err, "");
}

TEST_F(PresetTest, BadPresetsAndValuesAreUsageErrors) {
    writeAudio(path("in.wav"), silence(44100, 2, 100));
    const std::string in = path("in.wav"), out = path("out.wav");
    EXPECT_FAILS_WITH(run({"render", in, out, "--preset", "dub-eco"}), 2, "dub-echo");
    EXPECT_FAILS_WITH(run({"render", in, out, "--preset", path("none.preset")}), 1, "none.preset");
    writeFile(path("bad.preset"), "# A preset.\nDLY FbackL=60\n\nFLT Cutoff=loud\n");
    EXPECT_FAILS_WITH(run({"render", in, out, "--preset", path("bad.preset")}), 2,
                      "bad.preset:4: FLT Cutoff: cannot read 'loud'");
    writeFile(path("bad.preset"), "# A preset.\nNoSuch=1\n");
    EXPECT_FAILS_WITH(run({"demo", "--preset", path("bad.preset"), "-o", out}), 2,
                      "bad.preset:2: unknown parameter");
    EXPECT_FAILS_WITH(run({"render", in, out, "--set", "DLY DelayL=2s"}), 2, "33534 samples");
    EXPECT_FAILS_WITH(run({"render", in, out, "--set", "AMP WetoutL=loud"}), 2, "dB");
    EXPECT_FAILS_WITH(run({"render", in, out, "--save-preset", out}), 2, "output file");
    EXPECT_EQ(strayFiles({"in.wav", "bad.preset"}), std::vector<std::string>{});
}

// Automation takes the same forms, each tick's mode parameter with the mode then in force.
TEST_F(PresetTest, AutomationTakesTypedValues) {
    Audio in = silence(44100, 2, 8000);
    std::fill(in.samples.begin(), in.samples.end(), 0.5f);
    writeAudio(path("in.wav"), in);
    writeFile(path("moves.txt"),
              "2 AMP_DryoutL=-6dB DLY_ModeL=Bitcrusher DLY_MParaL=4_bit\n"
              "4 AMP_DryoutL=-inf_dB\n");
    const auto result = run({"render", path("in.wav"), path("out.wav"), "--tpt", "1000", "--tail",
                             "0", "--set", "DLY_FbackL=0%", "--set", "Inertia=0 Tick", "--set",
                             "AMP WetoutL=0%", "--automation", path("moves.txt")});
    ASSERT_EQ(result.status, 0) << result.err;
    const Audio out = readAudio(path("out.wav"));
    EXPECT_NEAR(out.at(1999, 0), 0.5f, 1e-6f);
    EXPECT_NEAR(out.at(2000, 0), 0.25f, 1e-6f);
    EXPECT_EQ(out.at(4000, 0), 0.0f);
    writeFile(path("moves.txt"), "2 DLY_MParaL=4_bit\n");  // still Normal: no bit depth
    EXPECT_FAILS_WITH(
        run({"render", path("in.wav"), path("out.wav"), "--automation", path("moves.txt")}), 2,
        "moves.txt:1: DLY MParaL");
}

}  // namespace

#endif  // TARVO_CLI_PATH
