// Replays recorded host sessions and compares every output sample bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "offline/host_script.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<float> readFloats(const fs::path& path) {
    const std::string bytes = readFile(path);
    std::vector<float> values(bytes.size() / sizeof(float));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(float));
    return values;
}

// Bit for bit, except where the recording was made without flushing subnormal numbers and the
// render flushes them: there a value differs by what the flushed subnormals carried, each less
// than the smallest normal float, and a filter sum or mix adds at most a handful of them. Such a
// value never changes its sign (it may become zero), and anything larger must match exactly.
bool sameSample(float expected, float actual) {
    uint32_t a, b;
    std::memcpy(&a, &expected, 4);
    std::memcpy(&b, &actual, 4);
    if (a == b) return true;
    constexpr double kFlushedAtMost = 8.0 * std::numeric_limits<float>::min();
    const bool sameSide = actual == 0.0f || std::signbit(expected) == std::signbit(actual);
    return sameSide && std::fabs(double{expected} - actual) < kFlushedAtMost;
}

class Conformance : public testing::TestWithParam<std::string> {};

TEST_P(Conformance, ReplaysBitForBit) {
    const fs::path dir = fs::path(TARVO_TEST_DATA) / "conformance" / GetParam();
    const auto& library = test::pluginLibrary();
    const auto commands = offline::parseScript(readFile(dir / "session.txt"), *library.info());
    const std::vector<float> input =
        fs::exists(dir / "in.f32") ? readFloats(dir / "in.f32") : std::vector<float>{};
    const offline::ScriptResult result = offline::runScript(library.code(), commands, input);

    EXPECT_EQ(result.texts, readFile(dir / "expected.txt"));
    if (!fs::exists(dir / "expected.f32")) return;
    const std::vector<float> expected = readFloats(dir / "expected.f32");
    ASSERT_EQ(result.output.size(), expected.size());
    size_t mismatches = 0, first = expected.size();
    for (size_t i = 0; i < expected.size(); ++i) {
        if (!sameSample(expected[i], result.output[i])) {
            if (mismatches++ == 0) first = i;
        }
    }
    EXPECT_EQ(mismatches, 0u) << "first at frame " << first / 2 << (first % 2 ? " right" : " left")
                              << ": expected " << expected[first] << ", got "
                              << result.output[first];
}

std::vector<std::string> sessionNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(TARVO_TEST_DATA) / "conformance"))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Sessions, Conformance, testing::ValuesIn(sessionNames()),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
