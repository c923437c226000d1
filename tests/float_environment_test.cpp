// Whatever floating-point environment the host leaves set, every operation computes with round
// to nearest (the render with subnormals flushed) and gives the caller back its own: the audio
// and the value texts are the bits a host with the default environment gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "dsp/conversions.h"
#include "float_environment_support.h"
#include "machine/parameters.h"
#include "offline/host_script.h"
#include "render_support.h"

namespace {

namespace fs = std::filesystem;
using test::CallerEnvironment;
using test::FloatControl;
using test::readFloatControl;

// What a host hears and reads, and how often an operation handed back another environment.
struct Heard {
    std::vector<uint32_t> bits;
    std::string texts;
    int changedEnvironments = 0;
};

// Input with every kind of sample the machine meets: loud and quiet noise, silence for the
// tails to decay into subnormals, and subnormal input itself. Made in the test's own
// environment.
const std::vector<float>& sessionInput() {
    static const std::vector<float> input = [] {
        std::mt19937 random(5);
        std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
        std::vector<float> in(2 * 6000);
        for (size_t i = 0; i < in.size(); ++i) {
            const size_t frame = i / 2;
            if (frame < 1500)
                in[i] = 30000.0f * unit(random);
            else if (frame < 2500)
                in[i] = 0.0f;
            else if (frame < 3000)
                in[i] = 1e-39f * unit(random);
            else if (frame < 4000)
                in[i] = 3e-3f * unit(random);
            else
                in[i] = 0.0f;
        }
        return in;
    }();
    return input;
}

// The ticks of the session: one after another they bring in the glides, modes, oscillators and
// filter types whose arithmetic rounds, each for a stretch of audio.
const std::vector<std::vector<std::pair<int, int>>>& sessionTicks() {
    static const std::vector<std::vector<std::pair<int, int>>> ticks = {
        {{ParamDelayLeft, 333},
         {ParamDelayRight, 32777},
         {ParamFeedbackLeft, 93},
         {ParamFeedbackRight, 87},
         {ParamInertia, 1},
         {ParamWetLeft, 141},
         {ParamDryRight, 70}},
        {{ParamFilterType, 1},
         {ParamCutoff, 23456},
         {ParamResonance, 77},
         {ParamFilterLfoType, 1},
         {ParamFilterLfoDepth, 60},
         {ParamFilterLfoRate, 3}},
        {{ParamChorusLfoType, 1},
         {ParamChorusRate, 37},
         {ParamChorusDepth, 80},
         {ParamPanLfoType, 3},
         {ParamPanLfoRateLeft, 2},
         {ParamPanLfoPhaseRight, 90}},
        {{ParamModeLeft, 3},
         {ParamModeParamLeft, 37},
         {ParamModeRight, 4},
         {ParamModeParamRight, 61},
         {ParamFilterType, 6},
         {ParamResample, 11025}},
        {{ParamModeLeft, 5},
         {ParamModeParamLeft, 71},
         {ParamModeRight, 2},
         {ParamInputMode, 1},
         {ParamFilterType, 2},
         {ParamCutoff, 61234},
         {ParamInertia, 3},
         {ParamWetRight, 13}},
        {{ParamFilterType, 4},
         {ParamFeedbackLeft, 100},
         {ParamFeedbackRight, 100},
         {ParamChorusLfoType, 0},
         {ParamResample, 44100},
         {ParamDryLeft, 0}},
    };
    return ticks;
}

// One host session through the plug-in library's operations in the caller's environment:
// creation and set-up, ticks, renders of varying length, and every parameter's value texts.
Heard hostSession(int rounding, bool flush) {
    const std::vector<float>& input = sessionInput();
    std::vector<float> block(2 * 256);
    Heard heard;
    const CallerEnvironment caller(rounding, flush);
    const auto kept = [&heard](auto&& call) {
        const FloatControl before = readFloatControl();
        call();
        if (!(readFloatControl() == before)) ++heard.changedEnvironments;
    };

    std::optional<core::HostedMachine> machine;
    kept([&] { machine.emplace(test::pluginLibrary().code(), 44100, 5512); });
    core::ParameterRecord record(*test::pluginLibrary().info());
    kept([&] {
        record.setDefaults();
        machine->tick(record);
    });
    size_t at = 0;
    int32_t count = 1;
    for (const auto& tick : sessionTicks()) {
        record.clear();
        for (const auto& [index, value] : tick) record.set(index, value);
        kept([&] { machine->tick(record); });
        for (int b = 0; b < 9 && at < input.size(); ++b) {
            count = count * 37 % 257;  // 0 to 256 frames
            const size_t samples = std::min(2 * static_cast<size_t>(count), input.size() - at);
            std::copy_n(input.begin() + static_cast<ptrdiff_t>(at), samples, block.begin());
            kept([&] { machine->render(block.data(), static_cast<int32_t>(samples / 2), 3); });
            for (size_t i = 0; i < samples; ++i)
                heard.bits.push_back(std::bit_cast<uint32_t>(block[i]));
            at += samples;
        }
    }
    for (int index = 0; index < test::pluginLibrary().info()->globalParameterCount; ++index) {
        const ParameterDescriptor& p = *test::pluginLibrary().info()->parameters[index];
        const int step = std::max(1, (p.maxValue - p.minValue) / 150);
        for (int value = p.minValue; value <= p.maxValue; value += step) {
            kept([&] {
                const char* text = machine->valueText(index, value);
                heard.texts += text ? text : "(null)";
                heard.texts += '\n';
            });
        }
    }
    kept([&] { machine->destroy(); });
    return heard;
}

// Where two runs' value texts part, or nothing when they do not.
std::string firstDifferingText(const std::string& texts, const std::string& expected) {
    size_t at = 0, line = 1;
    while (at < texts.size() && at < expected.size() && texts[at] == expected[at])
        if (texts[at++] == '\n') ++line;
    if (at == texts.size() && at == expected.size()) return "";
    const auto lineAt = [at](const std::string& t) {
        const size_t begin = t.rfind('\n', at == 0 ? 0 : at - 1);
        const size_t from = begin == std::string::npos || at == 0 ? 0 : begin + 1;
        return t.substr(from, t.find('\n', from) - from);
    };
    return "line " + std::to_string(line) + ": \"" + lineAt(texts) + "\" instead of \"" +
           lineAt(expected) + "\"";
}

size_t differingSamples(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    size_t differing = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) differing += a[i] != b[i];
    return differing;
}

TEST(FloatEnvironment, EveryOperationSoundsAndReadsAsRoundToNearestWhateverTheCallerLeftSet) {
    const Heard nearest = hostSession(FE_TONEAREST, false);
    ASSERT_GT(nearest.bits.size(), 8000u);
    EXPECT_EQ(nearest.changedEnvironments, 0);
    // Texts that come out differently when the formatting rounds in another direction.
    EXPECT_NE(nearest.texts.find("0.001 Tick\n"), std::string::npos);
    for (int rounding : test::kRoundingModes) {
        for (bool flush : {false, true}) {
            const Heard heard = hostSession(rounding, flush);
            const std::string caller =
                test::roundingName(rounding) + (flush ? ", flush bits set" : "");
            EXPECT_EQ(differingSamples(heard.bits, nearest.bits), 0u) << caller;
            EXPECT_EQ(firstDifferingText(heard.texts, nearest.texts), "") << caller;
            EXPECT_EQ(heard.changedEnvironments, 0) << caller
                                                    << ": operations that did not "
                                                       "give the caller its environment back";
        }
    }
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every recorded session, replayed under each rounding mode a host may leave set, with and
// without its flush bits, gives the bits it gives under round to nearest.
TEST(FloatEnvironment, RecordedSessionsKeepTheirBitsUnderEveryCallerEnvironment) {
    int sessions = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(TARVO_TEST_DATA) / "conformance")) {
        if (!entry.is_directory()) continue;
        const auto commands = offline::parseScript(readFile(entry.path() / "session.txt"),
                                                   *test::pluginLibrary().info());
        const std::string in = readFile(entry.path() / "in.f32");
        std::vector<float> input(in.size() / sizeof(float));
        if (!input.empty()) std::memcpy(input.data(), in.data(), input.size() * sizeof(float));
        const offline::ScriptResult nearest =
            offline::runScript(test::pluginLibrary().code(), commands, input);
        std::vector<uint32_t> nearestBits;
        for (float v : nearest.output) nearestBits.push_back(std::bit_cast<uint32_t>(v));
        for (int rounding : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
            for (bool flush : {false, true}) {
                std::optional<offline::ScriptResult> result;
                FloatControl before, after;
                {
                    const CallerEnvironment caller(rounding, flush);
                    before = readFloatControl();
                    result = offline::runScript(test::pluginLibrary().code(), commands, input);
                    after = readFloatControl();
                }
                std::vector<uint32_t> bits;
                for (float v : result->output) bits.push_back(std::bit_cast<uint32_t>(v));
                const std::string where = entry.path().filename().string() + ", " +
                                          test::roundingName(rounding) + (flush ? ", flush" : "");
                EXPECT_EQ(differingSamples(bits, nearestBits), 0u) << where;
                EXPECT_EQ(firstDifferingText(result->texts, nearest.texts), "") << where;
                EXPECT_TRUE(after == before) << where;
            }
        }
        ++sessions;
    }
    EXPECT_GE(sessions, 10);
}

// The render flushes subnormal numbers whether or not the caller does: a loop that halves its
// content every frame goes from the smallest normal number straight to 0.
TEST(FloatEnvironment, TheRenderFlushesSubnormalsWhateverTheCallerLeftSet) {
    for (int rounding : test::kRoundingModes) {
        for (bool flush : {false, true}) {
            test::LocalMachine m;
            test::wetOnly(*m);
            test::setLoop(*m, test::Side::Both, 1);
            test::setFeedback(*m, test::Side::Both, 50);
            test::Frames io = test::impulse(200, 1.0f, 1.0f);
            {
                const CallerEnvironment caller(rounding, flush);
                test::render(*m, io);
            }
            EXPECT_EQ(io[2 * 128], 0.0f) << rounding << flush;
            for (float v : io) ASSERT_NE(std::fpclassify(v), FP_SUBNORMAL) << rounding << flush;
            EXPECT_EQ(m->delayBufferA[0], 0.0f);
        }
    }
}

// The machine's own NaN (from input no host should send) has the same bits on every processor;
// a NaN the host sent passes on as it came.
TEST(FloatEnvironment, TheMachinesOwnNaNIsOnePatternAndTheHostsPassesOn) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    const float hostNaN = std::bit_cast<float>(0x7fc01234u);
    const float plainNaN = std::bit_cast<float>(0x7fc00000u);

    test::LocalMachine dryless;  // dry gain 0: an infinite input times 0
    test::wetOnly(*dryless);
    test::Frames io = test::silence(4);
    io = {inf, -inf, hostNaN, plainNaN, 1.0f, 2.0f, -inf, inf};
    test::render(*dryless, io);
    EXPECT_EQ(std::bit_cast<uint32_t>(io[0]), dsp::kMachineNaNBits);
    EXPECT_EQ(std::bit_cast<uint32_t>(io[1]), dsp::kMachineNaNBits);
    EXPECT_EQ(std::bit_cast<uint32_t>(io[2]), 0x7fc01234u);
    EXPECT_EQ(std::bit_cast<uint32_t>(io[3]), 0x7fc00000u);
    EXPECT_EQ(std::bit_cast<uint32_t>(io[6]), dsp::kMachineNaNBits);

    test::LocalMachine mono;  // opposite infinities summed to mono
    test::setLevels(*mono, 100, 0);
    mono->inputMode = 1;
    io = {inf, -inf, hostNaN, 5.0f, -inf, -inf, 3.0f, 1.0f};
    test::render(*mono, io);
    EXPECT_EQ(std::bit_cast<uint32_t>(io[0]), dsp::kMachineNaNBits);
    EXPECT_EQ(std::bit_cast<uint32_t>(io[1]), dsp::kMachineNaNBits);
    EXPECT_EQ(std::bit_cast<uint32_t>(io[2]), 0x7fc01234u);
    EXPECT_EQ(io[4], -inf);
    EXPECT_EQ(io[6], 2.0f);
}

}  // namespace
