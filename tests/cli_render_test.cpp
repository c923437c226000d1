// tarvo-delay render, end to end: files in, the machine on the host's schedule, files out.
#include <sstream>

#include "cli_support.h"

#ifdef TARVO_CLI_PATH

namespace {

using clitest::Audio;
using clitest::CliTest;
using clitest::loudFrames;
using clitest::readAudio;
using clitest::silence;
using clitest::writeAudio;

using RenderTest = CliTest;

// Impulses of 0.5 full scale; the dry signal is off once the first tick's glide is over.
class Echoes : public CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        Audio in = silence(44100, 2, 132300);
        in.at(5000, 0) = 0.5f;
        in.at(70000, 0) = 0.5f;  // beyond the first 65536-frame chunk of the file
        in.at(9000, 1) = 0.5f;
        writeAudio(path("in.wav"), in);
    }
    std::vector<std::string> render(const std::string& out, std::vector<std::string> extra) {
        std::vector<std::string> args = {"render", path("in.wav"),  path(out), "--tail",       "0",
                                         "--set",  "AMP DryoutL=0", "--set",   "amp_dryoutr=0"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
};

TEST_F(Echoes, SoundWhereOffsetAndLoopPutThem) {
    // Odd tick and block lengths, so that ticks, blocks and file chunks never line up.
    const auto result = run(
        render("out.wav", {"--tpt", "999", "--block", "100", "--set", "DLY OffsetL=32300", "--set",
                           "DLY_DelayL=33000", "--set", "3=32300", "--set", "DLY OffsetR=32700",
                           "--set", "DLY DelayR=32500", "--set", "dly fbackl=50", "-q"}));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "") << "--quiet prints nothing";
    const Audio out = readAudio(path("out.wav"));
    ASSERT_EQ(out.channels, 2);
    ASSERT_EQ(out.frames(), 132300u);

    // The first echo comes the offset after the sound, already scaled by the feedback (0.5);
    // each further one a loop length later, halved again.
    EXPECT_EQ(loudFrames(out, 0, 0.01f), (std::vector<size_t>{5300, 6300, 7300, 8300, 9300, 70300,
                                                              71300, 72300, 73300, 74300}));
    EXPECT_EQ(loudFrames(out, 1, 0.01f), (std::vector<size_t>{9700, 10200, 10700, 11200, 11700}));
    EXPECT_NEAR(out.at(5300, 0), 0.25f, 1e-4f);
    EXPECT_NEAR(out.at(6300, 0), 0.125f, 1e-4f);
    EXPECT_NEAR(out.at(70300, 0), 0.25f, 1e-4f);
    EXPECT_NEAR(out.at(9700, 1), 0.25f, 1e-4f);
    EXPECT_NEAR(out.at(10200, 1), 0.125f, 1e-4f);
}

TEST_F(Echoes, TempoSetsTheLengthOfATick) {
    // An offset of 1000 thousandths is one tick: samples per tick from --tpt, or from the
    // tempo (44100 × 60 / (120 × 4) = 5512.5, rounded), or the default 126 BPM, 4 ticks a beat.
    const std::vector<std::pair<std::vector<std::string>, size_t>> tempos = {
        {{"--tpt", "3000"}, 3000}, {{"--bpm", "120", "--tpb", "4"}, 5513}, {{}, 5250}};
    for (const auto& [options, tick] : tempos) {
        std::vector<std::string> extra = options;
        extra.insert(extra.end(), {"--set", "DLY OffsetR=1000", "--set", "DLY DelayR=32000", "-q"});
        const auto result = run(render("out.wav", extra));
        ASSERT_EQ(result.status, 0) << result.err;
        // The right impulse comes after the first tick, once the dry signal has faded.
        const std::vector<size_t> loud = loudFrames(readAudio(path("out.wav")), 1, 0.01f);
        ASSERT_FALSE(loud.empty());
        EXPECT_EQ(loud.front(), 9000 + tick) << options.size();
    }
}

TEST_F(Echoes, EnumeratedValuesByTheirTexts) {
    ASSERT_EQ(run(render("raw.wav", {"--set", "7=1", "-q"})).status, 0);
    const auto byText = run(render("text.wav", {"--set", "dly_model=inverted", "-q"}));
    ASSERT_EQ(byText.status, 0) << byText.err;
    const Audio raw = readAudio(path("raw.wav")), text = readAudio(path("text.wav"));
    EXPECT_EQ(raw.samples, text.samples);
    EXPECT_LT(text.at(5001, 0), -0.2f) << "an inverted loop gives the echo the opposite sign";

    for (const char* setting : {"FLT Type=LP/HP", "PAN LFOType=Sine", "Input Mode=Inverted L",
                                "DLY ModeR=Reverse", "CHO_LFOType=no_lfo"}) {
        const auto result = run(render("out.wav", {"--set", setting, "-q"}));
        EXPECT_EQ(result.status, 0) << setting << ": " << result.err;
    }
    const auto wrong = run(render("out.wav", {"--set", "DLY ModeL=Sideways"}));
    EXPECT_FAILS_WITH(wrong, 2, "Normal, Inverted, Reverse, Clipping, Waveshaper, Bitcrusher");
}

TEST_F(RenderTest, AutomationTakesEffectAtItsTick) {
    Audio in = silence(44100, 2, 12000);
    std::fill(in.samples.begin(), in.samples.end(), 0.5f);
    writeAudio(path("in.wav"), in);
    clitest::writeFile(path("moves.txt"),
                       "# dry levels over time\n"
                       "5 AMP_DryoutL=0\n"
                       "\n"
                       "8   amp_dryoutl=50\tAMP_DryoutR=200   # both sides\n");
    // No echoes (feedback 0) and no glides (inertia 0): the levels jump at their ticks.
    const auto result = run({"render", path("in.wav"), path("out.wav"), "--tpt", "1000", "--tail",
                             "0", "--set", "DLY_FbackL=0", "--set", "DLY_FbackR=0", "--set",
                             "Inertia=0", "--automation", path("moves.txt"), "-q"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Audio out = readAudio(path("out.wav"));
    ASSERT_EQ(out.frames(), 12000u);
    for (size_t frame : {0, 4999}) EXPECT_NEAR(out.at(frame, 0), 0.5f, 1e-6f) << frame;
    for (size_t frame : {5000, 7999}) EXPECT_EQ(out.at(frame, 0), 0.0f) << frame;
    for (size_t frame : {8000, 11999}) EXPECT_NEAR(out.at(frame, 0), 0.25f, 1e-6f) << frame;
    EXPECT_NEAR(out.at(7999, 1), 0.5f, 1e-6f);
    EXPECT_NEAR(out.at(8000, 1), 1.0f, 1e-6f);

    clitest::writeFile(path("bad.txt"), "0 DLY_FbackL=10\n\n7 NoSuchThing=1\n");
    EXPECT_FAILS_WITH(
        run({"render", path("in.wav"), path("out.wav"), "--automation", path("bad.txt")}), 2,
        "bad.txt:3: unknown parameter 'NoSuchThing'");
    clitest::writeFile(path("bad.txt"), "later DLY_FbackL=10\n");
    EXPECT_FAILS_WITH(
        run({"render", path("in.wav"), path("out.wav"), "--automation", path("bad.txt")}), 2,
        "bad.txt:1: expected a tick number");
    clitest::writeFile(path("bad.txt"), "3 DLY FbackL=10\n");
    EXPECT_FAILS_WITH(
        run({"render", path("in.wav"), path("out.wav"), "--automation", path("bad.txt")}), 2,
        "underscores");
    EXPECT_FAILS_WITH(
        run({"render", path("in.wav"), path("out.wav"), "--automation", path("missing.txt")}), 1,
        "missing.txt");
}

TEST_F(RenderTest, MonoInputFeedsBothChannels) {
    // Multiples of 1/256 survive 16-bit PCM exactly, through the tool's ±32768 scaling too.
    Audio in = silence(44100, 1, 3000);
    for (size_t i = 0; i < in.frames(); ++i)
        in.samples[i] = static_cast<float>(static_cast<int>(i % 200) - 100) / 256.0f;
    writeAudio(path("in.wav"), in, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    writeAudio(path("in.flac"), in, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    const std::vector<std::string> noEchoes = {"--tail",       "0",         "--set",
                                               "DLY_FbackL=0", "--set",     "DLY_FbackR=0",
                                               "--set",        "Inertia=0", "-q"};

    auto args =
        std::vector<std::string>{"render", path("in.wav"), path("out.wav"), "--subtype", "pcm16"};
    args.insert(args.end(), noEchoes.begin(), noEchoes.end());
    ASSERT_EQ(run(args).status, 0);
    Audio out = readAudio(path("out.wav"));
    ASSERT_EQ(out.channels, 2);
    ASSERT_EQ(out.frames(), in.frames());
    for (size_t i = 0; i < in.frames(); ++i) {
        ASSERT_EQ(out.at(i, 0), in.samples[i]) << i;
        ASSERT_EQ(out.at(i, 1), in.samples[i]) << i;
    }

    args = {"render", path("in.flac"), path("out.w64")};
    args.insert(args.end(), noEchoes.begin(), noEchoes.end());
    ASSERT_EQ(run(args).status, 0);
    out = readAudio(path("out.w64"));
    ASSERT_EQ(out.channels, 2);
    for (size_t i = 0; i < in.frames(); ++i) {
        ASSERT_NEAR(out.at(i, 0), in.samples[i], 1e-6f) << i;
        ASSERT_NEAR(out.at(i, 1), in.samples[i], 1e-6f) << i;
    }
}

TEST_F(RenderTest, PcmOutputCountsClippedSamples) {
    Audio in = silence(44100, 2, 2000);
    std::fill(in.samples.begin(), in.samples.end(), 0.5f);
    writeAudio(path("in.wav"), in);
    // The left dry level glides from 100% to 400% within the first period: every left sample
    // lands beyond full scale, no right one does.
    const auto result = run({"render", path("in.wav"), path("out.wav"), "--subtype", "PCM16",
                             "--tpt", "100", "--tail", "0", "--set", "AMP DryoutL=400", "--set",
                             "DLY_FbackL=0", "--set", "DLY_FbackR=0"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("2000 samples clipped"), std::string::npos) << result.err;
    EXPECT_NE(result.out.find("16-bit PCM"), std::string::npos) << result.out;
    const Audio out = readAudio(path("out.wav"));
    EXPECT_EQ(out.at(1999, 0), 32767.0f / 32768.0f);
    EXPECT_NEAR(out.at(1999, 1), 0.5f, 1e-4f);
}

TEST_F(RenderTest, TailKeepsTheEchoesThatFollowTheInput) {
    // One tick is one second at 8 kHz: the first echo comes 2.5 s after the sound, long after
    // the half-second input has ended; then one every 3 s, halving each time.
    Audio in = silence(8000, 1, 4000);
    in.samples[100] = 0.5f;
    writeAudio(path("in.wav"), in);
    const auto render = [&](const std::string& tail, const std::string& feedback) {
        const auto result =
            run({"render", path("in.wav"), path("out.wav"), "--tpt", "8000", "--tail", tail,
                 "--set", "DLY_OffsetL=2500", "--set", "DLY_DelayL=3000", "--set",
                 "DLY_FbackL=" + feedback, "--set", "DLY_FbackR=0", "-q"});
        EXPECT_EQ(result.status, 0) << result.err;
        return readAudio(path("out.wav"));
    };
    EXPECT_EQ(render("0", "50").frames(), 4000u);
    EXPECT_EQ(render("1.5", "50").frames(), 16000u);

    const Audio tail = render("auto", "50");
    const std::vector<size_t> echoes = loudFrames(tail, 0, 0.01f);
    ASSERT_GE(echoes.size(), 3u);
    EXPECT_EQ(echoes[0], 100u) << "the sound itself";
    EXPECT_EQ(echoes[1], 20100u);
    EXPECT_EQ(echoes[2], 44100u);
    // It ends once the output has stayed below -96 dBFS for as long as an echo can take to
    // come (offset plus loop: 44000 frames here).
    const std::vector<size_t> audible = loudFrames(tail, 0, 1.6e-5f);
    ASSERT_FALSE(audible.empty());
    EXPECT_EQ(tail.frames(), audible.back() + 1 + 44000);

    EXPECT_EQ(render("auto", "100").frames(), 4000u + 60 * 8000) << "endless echoes: 60 s";
}

TEST_F(RenderTest, ErrorsHaveTheirExitStatus) {
    writeAudio(path("in.wav"), silence(44100, 2, 100));
    writeAudio(path("three.wav"), silence(44100, 3, 100));
    const std::string in = path("in.wav"), out = path("out.wav");
    const auto render = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {"render", in, out};
        args.insert(args.end(), extra.begin(), extra.end());
        return run(args);
    };

    // Usage errors: 2.
    EXPECT_FAILS_WITH(render({"--set", "fbackl=3"}), 2, "did you mean 'DLY FbackL'");
    EXPECT_FAILS_WITH(render({"--set", "Cutof=3"}), 2, "'FLT Cutoff'");
    EXPECT_FAILS_WITH(render({"--set", "DLY_FbackL=101"}), 2,
                      "outside its range 0..100 (default 50");
    EXPECT_FAILS_WITH(render({"--set", "FLT Cutoff=-1"}), 2, "0..65000 (default 65000");
    EXPECT_FAILS_WITH(render({"--set", "36=1"}), 2, "outside 0..35");
    EXPECT_FAILS_WITH(render({"--set", "Inertia"}), 2, "NAME=VALUE");
    EXPECT_FAILS_WITH(render({"--set", "Inertia=slow"}), 2, "0..64");
    EXPECT_FAILS_WITH(render({"--bogus"}), 2, "--bogus");
    EXPECT_FAILS_WITH(render({"--block", "257"}), 2, "--block");
    EXPECT_FAILS_WITH(render({"--tail", "soon"}), 2, "--tail");
    EXPECT_FAILS_WITH(render({"--tpt", "100", "--bpm", "120"}), 2, "--tpt");
    EXPECT_FAILS_WITH(render({"--subtype", "pcm12"}), 2, "pcm12");
    EXPECT_FAILS_WITH(run({"render", in, path("out.flac"), "--subtype", "float"}), 2, "FLAC");
    EXPECT_FAILS_WITH(run({"render", in, path("out.xyz")}), 2, "out.xyz");
    EXPECT_FAILS_WITH(run({"render", in, in}), 2, "is the input");
    clitest::fs::create_hard_link(in, path("same.wav"));
    EXPECT_FAILS_WITH(run({"render", in, path("same.wav")}), 2, "is the input");
    EXPECT_FAILS_WITH(run({"render", in}), 2, "OUT");
    EXPECT_FAILS_WITH(run({}), 2, "subcommand");

    // Runtime errors: 1.
    EXPECT_FAILS_WITH(run({"render", path("missing.wav"), out}), 1, "missing.wav");
    EXPECT_FAILS_WITH(run({"render", path("three.wav"), out}), 1, "3 channels");
    EXPECT_FAILS_WITH(run({"render", in, path("no/such/dir/out.wav")}), 1, "cannot write");
    EXPECT_FAILS_WITH(run({"render", in, path("."), "--plugin", path("none.so")}), 1, "none.so");
    EXPECT_FAILS_WITH(run({"params", "--plugin", path("none.so")}), 1, "none.so");
    // A real library that is not a machine: the sound file library this test links.
    std::string other;
    std::istringstream maps(clitest::readFile("/proc/self/maps"));
    for (std::string line; std::getline(maps, line);)
        if (line.find("libsndfile") != std::string::npos) other = line.substr(line.find('/'));
    ASSERT_FALSE(other.empty());
    EXPECT_FAILS_WITH(run({"params", "--plugin", other}), 1, "does not export GetInfo");

    EXPECT_EQ(strayFiles({"in.wav", "three.wav", "same.wav"}), std::vector<std::string>{});
}

TEST_F(RenderTest, AnExistingOutputSurvivesAFailedRender) {
    writeAudio(path("in.wav"), silence(44100, 2, 441000));  // 3.5 MB of float
    clitest::writeFile(path("out.wav"), "precious");
    const std::vector<std::string> args = {"render", path("in.wav"), path("out.wav"), "-q"};
    const auto untouched = [&] {
        EXPECT_EQ(clitest::readFile(path("out.wav")), "precious");
        EXPECT_EQ(strayFiles({"in.wav", "out.wav"}), std::vector<std::string>{});
    };

    auto badSetting = args;
    badSetting.insert(badSetting.end(), {"--set", "nothing=1"});
    EXPECT_EQ(run(badSetting).status, 2);
    untouched();

    // The disk fills up halfway (a file size limit of 100 kB): the write fails ...
    EXPECT_FAILS_WITH(run(args, "trap '' XFSZ; ulimit -c 0; ulimit -f 200; "), 1, "cannot write");
    untouched();
    // ... and where the limit's signal would end the program, it is caught and said.
    EXPECT_FAILS_WITH(run(args, "ulimit -c 0; ulimit -f 200; "), 1, "file size limit reached");
    untouched();

    ASSERT_EQ(run(args).status, 0);
    EXPECT_EQ(readAudio(path("out.wav")).frames(), 441000u);
    EXPECT_EQ(strayFiles({"in.wav", "out.wav"}), std::vector<std::string>{});
}

}  // namespace

#endif  // TARVO_CLI_PATH
