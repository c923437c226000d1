// What users write by hand and type: text files with any line end or stray byte, numbers in
// forms the tool does not take, scripts that ask for more input than they get, mistyped
// commands. Each is read as meant, or refused in one line that says what and where.
#include "cli_support.h"

#ifdef TARVO_CLI_PATH

#include "json_reader.h"

namespace {

using clitest::Result;
using clitest::writeFile;

class TypedInputTest : public clitest::CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        clitest::writeAudio(path("in.wav"), clitest::silence(44100, 2, 100));
    }
    Result render(std::vector<std::string> extra) const {
        std::vector<std::string> args = {"render", path("in.wav"), path("out.wav"), "-q"};
        args.insert(args.end(), extra.begin(), extra.end());
        return run(args);
    }
};

TEST_F(TypedInputTest, TextFilesTakeEveryLineEnd) {
    for (const std::string end : {"\n", "\r\n", "\r"}) {
        const std::string shown = end == "\n" ? "LF" : end == "\r" ? "CR" : "CRLF";
        writeFile(path("p.preset"), "# A preset." + end + "DLY FbackL=70" + end + "FLT Type=LP");
        const Result params = run({"params", "--preset", path("p.preset"), "--json"});
        ASSERT_EQ(params.status, 0) << shown << params.err;
        const jsontest::Value values = jsontest::parse(params.out);
        EXPECT_EQ(values.items[5]["value"].number, 70) << shown;
        EXPECT_EQ(values.items[24]["value"].number, 1) << shown;

        writeFile(path("a.txt"),
                  "0 DLY_FbackL=20" + end + "# a comment" + end + "7 NoSuch=1" + end);
        EXPECT_FAILS_WITH(render({"--automation", path("a.txt")}), 2,
                          "a.txt:3: unknown parameter 'NoSuch'");

        writeFile(path("s.txt"), "create" + end + "tick defaults" + end + "text 5 50" + end);
        const Result script = run({"script", path("s.txt")});
        EXPECT_EQ(script.status, 0) << shown << script.err;
        EXPECT_EQ(script.out, "50%\n") << shown;
    }
}

// A NUL byte (a binary file, or text saved as UTF-16) is shown where it is, and a long value
// is cut; neither cuts or floods the message.
TEST_F(TypedInputTest, StrayBytesAndLongValuesAreShownReadably) {
    const std::string nul("\0", 1);
    writeFile(path("p.preset"), "# A preset.\nDLY FbackL=7" + nul + "0\n");
    EXPECT_FAILS_WITH(run({"params", "--preset", path("p.preset")}), 2,
                      "p.preset:2: a NUL byte (\\x00) at column 13: not a text file");
    writeFile(path("a.txt"), "0 DLY_FbackL=20\n4 " + nul + "\n");
    EXPECT_FAILS_WITH(render({"--automation", path("a.txt")}), 2,
                      "a.txt:2: a NUL byte (\\x00) at column 3");
    writeFile(path("s.txt"), "create\ntick" + nul + "\n");
    EXPECT_FAILS_WITH(run({"script", path("s.txt")}), 2, "line 2: a NUL byte (\\x00) at column 5");

    writeFile(path("a.txt"), "0 DLY_FbackL=" + std::string(10 << 20, '9') + "\n");
    const Result longValue = render({"--automation", path("a.txt")});
    EXPECT_FAILS_WITH(longValue, 2, "99\u2026' (10485760 bytes) is outside its range 0..100");
    EXPECT_LT(longValue.err.size(), 300u);
    writeFile(path("a.txt"), "9223372036854775808 DLY_FbackL=20\n");
    EXPECT_FAILS_WITH(render({"--automation", path("a.txt")}), 2,
                      "tick '9223372036854775808' is too large");
}

// Every number option of every subcommand, with the same bounds for the same quantity.
TEST_F(TypedInputTest, NumbersAreDecimalsWithinTheirRange) {
    const std::vector<std::string> plot = {"plot", "-o", path("p.png")};
    const std::vector<std::string> params = {"params"};
    const std::vector<std::string> renderIn = {"render", path("in.wav"), path("out.wav")};
    struct Option {
        std::vector<std::string> command;
        std::string name, range;
    };
    const Option options[] = {
        {renderIn, "--bpm", "a tempo from 20 to 999 BPM"},
        {renderIn, "--tpb", "ticks per beat from 1 to 64"},
        {renderIn, "--tpt", "samples per tick from 1 to 2147483647"},
        {renderIn, "--block", "frames per block from 1 to 256"},
        {renderIn, "--tail", "'auto' or seconds from 0 to 3600"},
        {params, "--bpm", "a tempo from 20 to 999 BPM"},
        {params, "--tpb", "ticks per beat from 1 to 64"},
        {params, "--rate", "a sample rate from 1 to 768000 Hz"},
        {plot, "--bpm", "a tempo from 20 to 999 BPM"},
        {plot, "--tpb", "ticks per beat from 1 to 64"},
        {plot, "--rate", "a sample rate from 1 to 768000 Hz"},
        {plot, "--seconds", "a time from 0.001 to 30 s"},
        {plot, "--floor", "a level from -200 to -1 dB"},
    };
    for (const Option& option : options) {
        for (const std::string bad : {"nan", "inf", "0x10", "1e2", "12abc"}) {
            std::vector<std::string> args = option.command;
            args.insert(args.end(), {option.name, bad});
            EXPECT_FAILS_WITH(run(args), 2,
                              option.name + ": expected " + option.range + ", got '" + bad + "'");
        }
    }
    // The bounds are met everywhere, and a tempo is shown as it was typed.
    EXPECT_EQ(run({"params", "--rate", "768000", "--tpb", "64", "--set", "Inertia=2"}).status, 0);
    EXPECT_EQ(run({"plot", "-o", path("p.png"), "--rate", "1", "--seconds", "30"}).status, 0);
    EXPECT_FAILS_WITH(run({"params", "--rate", "1", "--bpm", "120.125", "--set", "Inertia=2"}), 2,
                      "--bpm 120.125 at 4 ticks per beat gives less than one sample per tick");
}

TEST_F(TypedInputTest, AScriptReadingPastItsInputSaysWhere) {
    writeFile(path("s.txt"), "create\ntick defaults\nrender 40000 3\nrender 100000 3\n");
    clitest::writeFloats(path("in.f32"), std::vector<float>(2 * 48000, 0.0f));
    EXPECT_FAILS_WITH(
        run({"script", path("s.txt"), "--in", path("in.f32"), "--out", path("out.f32")}), 1,
        "s.txt: line 4: render 100000 reads past the end of --in, which ended after 48000 frames "
        "(8000 of them for this render)");
    EXPECT_FALSE(clitest::fs::exists(path("out.f32")));
    EXPECT_EQ(
        run({"script", path("s.txt"), "--in", path("in.f32"), "--out", path("out.f32"), "--pad"})
            .status,
        0);
    EXPECT_EQ(clitest::fs::file_size(path("out.f32")), 140000u * 8);
}

TEST_F(TypedInputTest, MessagesSayWhatWouldHelp) {
    EXPECT_FAILS_WITH(run({"bogus"}), 2,
                      "no subcommand 'bogus'; the subcommands are demo, render, params, presets, "
                      "script and plot");
    EXPECT_FAILS_WITH(run({"render", "--bogus"}), 2, "render: no option '--bogus'");
    EXPECT_FAILS_WITH(run({"--plugin", path("x.so"), "plot", "--floor", "-3", "--bogus"}), 2,
                      "plot: no option '--bogus'");
    // demo's advice is one it takes.
    EXPECT_FAILS_WITH(run({"demo", "-o", "-"}), 2, "give -t");
    EXPECT_EQ(run({"demo", "-o", path("demo.raw"), "-t", "raw"}).status, 0);
    // A length in seconds too long for samples, but not for ticks, says how to write it.
    EXPECT_FAILS_WITH(render({"--set", "DLY DelayL=1s"}), 2,
                      "760.4 ms at 44100 Hz); in ticks it reaches 168000 samples (3809.5 ms at "
                      "this tempo): '8.4 Tick' or a note length");
    // The keys a help text names are the JSON's.
    const Result help = run({"plot", "--help"});
    EXPECT_NE(help.out.find("x = timeLeft + t / ms * (timeRight - timeLeft)"), std::string::npos);
}

}  // namespace

#endif  // TARVO_CLI_PATH
