// Every format tarvo-delay writes, through a pipe both ways, with sox, the reference flac tool
// and tarvo-delay itself at the other end: each arrives whole, or nothing arrives at all.
#include "cli_support.h"

#ifdef TARVO_CLI_PATH

namespace {

using clitest::Audio;
using clitest::readAudio;

constexpr size_t kFrames = 30000;

struct Format {
    const char* type;     // -t
    const char* soxType;  // how sox names it in a pipe, or nullptr where it takes none
};

// sox reads and writes CAF and Wave64 through libsndfile, which needs a file for them (its
// streams into a pipe lack the sizes), and has no RF64; a stream of ours (cat FILE) stands in.
constexpr Format kFormats[] = {
    {"wav", "wav"}, {"aiff", "aiff"}, {"au", "au"},     {"flac", "flac"},
    {"ogg", "ogg"}, {"caf", nullptr}, {"w64", nullptr}, {"rf64", nullptr},
};

class PipeTest : public clitest::CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        Audio in = clitest::silence(44100, 2, kFrames);
        for (size_t i = 0; i < kFrames; ++i) in.at(i, 0) = static_cast<float>(i % 64) / 128.0f;
        clitest::writeAudio(path("in.wav"), in, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    }
    // Runs shell code in the scratch directory, with $T the tool; its exit status.
    int shell(const std::string& code) const {
        const std::string command = "cd " + clitest::quoted(dir.string()) +
                                    " && T=" + clitest::quoted(TARVO_CLI_PATH) +
                                    " && set -o pipefail && { " + code + "; }";
        return WEXITSTATUS(std::system(("bash -c " + clitest::quoted(command)).c_str()));
    }
    std::string text(const std::string& name) const { return clitest::readFile(path(name)); }
};

TEST_F(PipeTest, EveryFormatGoesOutIntoAPipeWhole) {
    for (const Format& f : kFormats) {
        const std::string type = f.type;
        const std::string render = "$T render in.wav - -q --tail 0 -t " + type;
        EXPECT_EQ(shell(render + " 2>err.txt | cat > piped." + type), 0) << type << text("err.txt");
        EXPECT_EQ(text("err.txt"), "") << type;
        EXPECT_EQ(readAudio(path("piped." + type)).frames(), kFrames) << type;
        EXPECT_EQ(shell(render + " | $T render - back.wav -q --tail 0 2>err.txt"), 0)
            << type << text("err.txt");
        EXPECT_EQ(text("err.txt"), "") << type << " reads back without a warning";
        EXPECT_EQ(readAudio(path("back.wav")).frames(), kFrames) << type;
        if (f.soxType == nullptr) continue;
        EXPECT_EQ(shell(render + " | sox -t " + f.soxType + " - sox.wav 2>err.txt"), 0)
            << type << text("err.txt");
        EXPECT_EQ(text("err.txt").find("FAIL"), std::string::npos) << type << text("err.txt");
        EXPECT_EQ(readAudio(path("sox.wav")).frames(), kFrames) << type;
    }
    // The reference decoder checks FLAC's stream info and its checksum of the samples.
    EXPECT_EQ(shell("$T render in.wav - -q --tail 0 -t flac | flac -d -s -c - > flac.wav"), 0);
    EXPECT_EQ(readAudio(path("flac.wav")).frames(), kFrames);
    EXPECT_EQ(shell("$T render in.wav - -q --tail 0 -t flac | flac -t -s -"), 0);
}

TEST_F(PipeTest, EveryFormatComesInFromAPipeWhole) {
    for (const Format& f : kFormats) {
        const std::string type = f.type;
        ASSERT_EQ(shell("$T render in.wav file." + type + " -q --tail 0"), 0) << type;
        std::vector<std::string> sources = {"cat file." + type};
        if (f.soxType != nullptr)
            sources.push_back(std::string("sox in.wav -t ") + f.soxType + " -");
        for (const std::string& source : sources) {
            EXPECT_EQ(shell(source + " | $T render - out.wav -q --tail 0 2>err.txt"), 0)
                << source << text("err.txt");
            EXPECT_EQ(text("err.txt"), "") << source;
            EXPECT_EQ(readAudio(path("out.wav")).frames(), kFrames) << source;
        }
    }
    EXPECT_EQ(shell("flac -s -c in.wav | $T render - out.wav -q --tail 0"), 0);
    EXPECT_EQ(readAudio(path("out.wav")).frames(), kFrames);

    // A stream with no audio at all, or none a reader could take, renders nothing.
    EXPECT_EQ(shell("sox in.wav -t caf - | $T render - none.wav -q 2>err.txt"), 1);
    EXPECT_NE(text("err.txt").find("'standard input' holds no audio"), std::string::npos)
        << text("err.txt");
    EXPECT_EQ(shell("head -c 3000000 /dev/urandom | $T render - none.wav -q 2>err.txt"), 1);
    EXPECT_NE(text("err.txt").find("it is in no format libsndfile reads"), std::string::npos)
        << text("err.txt");
    EXPECT_FALSE(clitest::fs::exists(path("none.wav")));
}

}  // namespace

#endif  // TARVO_CLI_PATH
