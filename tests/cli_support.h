// Running the built tarvo-delay tool in a scratch directory, and reading what it wrote.
#pragma once

#ifdef TARVO_CLI_PATH

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace clitest {

namespace fs = std::filesystem;

struct Result {
    int status = -1;  // exit status, -1 when killed by a signal
    int signal = 0;
    std::string out, err;
};

// Interleaved samples as a sound file holds them (±1.0 full scale).
struct Audio {
    int rate = 44100;
    int channels = 2;
    std::vector<float> samples;

    size_t frames() const { return samples.size() / static_cast<size_t>(channels); }
    float at(size_t frame, int channel) const {
        return samples[frame * static_cast<size_t>(channels) + static_cast<size_t>(channel)];
    }
    float& at(size_t frame, int channel) {
        return samples[frame * static_cast<size_t>(channels) + static_cast<size_t>(channel)];
    }
};

inline Audio silence(int rate, int channels, size_t frames) {
    Audio audio{rate, channels, std::vector<float>(frames * static_cast<size_t>(channels), 0.0f)};
    return audio;
}

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

inline void writeAudio(const fs::path& path, const Audio& audio,
                       int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
    SF_INFO info{};
    info.samplerate = audio.rate;
    info.channels = audio.channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_writef_float(file, audio.samples.data(), static_cast<sf_count_t>(audio.frames()));
    sf_close(file);
}

inline Audio readAudio(const fs::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) throw std::runtime_error("cannot read " + path.string());
    // Read to the end: a stream written to a pipe need not say how long it is.
    Audio audio{info.samplerate, info.channels, {}};
    std::vector<float> chunk(65536 * static_cast<size_t>(info.channels));
    for (sf_count_t got; (got = sf_readf_float(file, chunk.data(), 65536)) > 0;)
        audio.samples.insert(audio.samples.end(), chunk.begin(),
                             chunk.begin() + got * info.channels);
    sf_close(file);
    return audio;
}

inline void writeFloats(const fs::path& path, const std::vector<float>& values) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(values.data()),
              static_cast<std::streamsize>(values.size() * sizeof(float)));
}

inline std::vector<float> readFloats(const fs::path& path) {
    const std::string bytes = readFile(path);
    std::vector<float> values(bytes.size() / sizeof(float));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(float));
    return values;
}

// Frames of one channel whose magnitude exceeds `level`.
inline std::vector<size_t> loudFrames(const Audio& audio, int channel, float level) {
    std::vector<size_t> frames;
    for (size_t i = 0; i < audio.frames(); ++i)
        if (std::fabs(audio.at(i, channel)) > level) frames.push_back(i);
    return frames;
}

// A scratch directory per test, removed afterwards.
class CliTest : public testing::Test {
  protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("tarvo-cli-" + std::string(info->name()) + "-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    // Runs the tool; `prefix` is shell code run first (a trap, a ulimit).
    Result run(const std::vector<std::string>& args, const std::string& prefix = "") const {
        std::string command = prefix + "exec " + quoted(TARVO_CLI_PATH);
        for (const std::string& arg : args) command += " " + quoted(arg);
        command += " >" + quoted(path("stdout.txt")) + " 2>" + quoted(path("stderr.txt"));
        return collect(std::system(command.c_str()));
    }

    // The result of a run that wrote stdout.txt and stderr.txt and ended with wait status `raw`.
    Result collect(int raw) const {
        Result result;
        if (WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
        if (WIFSIGNALED(raw)) result.signal = WTERMSIG(raw);
        result.out = readFile(path("stdout.txt"));
        result.err = readFile(path("stderr.txt"));
        fs::remove(path("stdout.txt"));
        fs::remove(path("stderr.txt"));
        return result;
    }

    // Files in the scratch directory other than `expected` (left-over temporary files).
    std::vector<std::string> strayFiles(const std::vector<std::string>& expected) const {
        std::vector<std::string> stray;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (std::find(expected.begin(), expected.end(), name) == expected.end())
                stray.push_back(name);
        }
        return stray;
    }

    fs::path dir;
};

// A one-line message on standard error, and the expected exit status.
#define EXPECT_FAILS_WITH(result, code, fragment)                               \
    do {                                                                        \
        const clitest::Result& r_ = (result);                                   \
        EXPECT_EQ(r_.status, code) << r_.err;                                   \
        EXPECT_NE(r_.err.find(fragment), std::string::npos) << r_.err;          \
        EXPECT_EQ(std::count(r_.err.begin(), r_.err.end(), '\n'), 1) << r_.err; \
    } while (0)

}  // namespace clitest

#endif  // TARVO_CLI_PATH
