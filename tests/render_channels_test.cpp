// The render of separate channels at unit scale must give exactly the bits of the host's own
// path: unitToHost on every input sample, the interleaved RenderStereo, hostToUnit on every
// output sample; in any block split, in place or not, in both forms of the loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

#include "bench/bench_sessions.h"
#include "core/hosted_machine.h"
#include "core/linked_machine.h"
#include "core/parameter_record.h"
#include "host/sample_scale.h"
#include "machine/channel_render.h"
#include "machine/exports.h"
#include "machine/machine.h"
#include "platform/processor.h"

namespace {

using Settings = bench::Settings;
constexpr int kFrames = 3000;

struct Channels {
    std::vector<float> left, right;
};

// Noise a little beyond full scale, with every kind of sample no host should send among it.
Channels input() {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> noise(-1.2f, 1.2f);
    Channels in{std::vector<float>(kFrames), std::vector<float>(kFrames)};
    for (int i = 0; i < kFrames; ++i) in.left[i] = noise(random), in.right[i] = noise(random);
    constexpr float kOdd[] = {std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              3e38f,
                              std::numeric_limits<float>::max(),
                              -std::numeric_limits<float>::max(),
                              1e-40f,
                              -0.0f};
    for (int i = 0; i < 40; ++i)
        (i % 2 ? in.left : in.right)[(i * 331 + 17) % kFrames] = kOdd[i % std::size(kOdd)];
    return in;
}

struct Session {
    Session(const Settings& settings, bool wide)
        : machine(core::linkedMachine(), 44100, 2000), record(*GetInfo()) {
        static_cast<mi*>(machine.machine())->wideVectors = wide;
        record.setDefaults();
        for (auto [index, value] : settings) record.set(index, value);
        machine.tick(record);
    }
    core::HostedMachine machine;
    core::ParameterRecord record;
};

// The host's path, block by block.
Channels throughInterleaved(const Settings& settings, bool wide, const Channels& in, int block) {
    Session s(settings, wide);
    Channels out{std::vector<float>(kFrames), std::vector<float>(kFrames)};
    std::vector<float> frames(2 * block);
    for (int at = 0; at < kFrames; at += block) {
        const int n = std::min(block, kFrames - at);
        for (int i = 0; i < n; ++i) {
            frames[2 * i] = unitToHost(in.left[at + i]);
            frames[2 * i + 1] = unitToHost(in.right[at + i]);
        }
        s.machine.render(frames.data(), n, 3);
        for (int i = 0; i < n; ++i) {
            out.left[at + i] = hostToUnit(frames[2 * i]);
            out.right[at + i] = hostToUnit(frames[2 * i + 1]);
        }
    }
    return out;
}

Channels throughChannels(const Settings& settings, bool wide, const Channels& in, int block,
                         bool inPlace) {
    Session s(settings, wide);
    Channels out =
        inPlace ? in : Channels{std::vector<float>(kFrames), std::vector<float>(kFrames)};
    const Channels& from = inPlace ? out : in;
    for (int at = 0; at < kFrames; at += block)
        EXPECT_TRUE(renderChannels(s.machine.machine(), from.left.data() + at,
                                   from.right.data() + at, out.left.data() + at,
                                   out.right.data() + at, std::min(block, kFrames - at)));
    return out;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Every parameter at a random value of its range, delays short enough to echo.
Settings randomSettings(uint32_t seed) {
    std::mt19937 random(seed);
    core::ParameterRecord record(*GetInfo());
    Settings settings;
    for (int i = 0; i < record.count(); ++i) {
        const ParameterDescriptor& p = record.parameter(i);
        const bool delay = i >= ParamDelayLeft && i <= ParamOffsetRight;
        settings.push_back(
            {i, std::uniform_int_distribution<int>(delay ? 32001 : p.minValue,
                                                   delay ? 34000 : p.maxValue)(random)});
    }
    return settings;
}

TEST(RenderChannels, GiveTheBitsOfTheInterleavedRender) {
    // The defaults' gains and shares, each wet channel on its own side with other gains, and
    // the rest at random.
    std::vector<Settings> table = {{},
                                   {{ParamDryLeft, 70}, {ParamWetRight, 40}},
                                   bench::kFullChain,
                                   randomSettings(1),
                                   randomSettings(2)};
    for (int mode = 0; mode <= 5; ++mode)
        table.push_back({{ParamModeLeft, mode},
                         {ParamModeRight, 5 - mode},
                         {ParamModeParamLeft, 60},
                         {ParamModeParamRight, 60}});
    for (int inputMode = 1; inputMode <= 4; ++inputMode)
        table.push_back({{ParamInputMode, inputMode},
                         {ParamPanLfoType, 2},
                         {ParamFilterType, 2},
                         {ParamFilterLfoType, 1}});
    const Channels in = input();
    for (const bool wide : {false, true}) {
        if (wide && !platform::hasWideVectors()) continue;
        for (size_t c = 0; c < table.size(); ++c) {
            for (const int block : {1, 7, 32, 256, 1000}) {
                const Channels expected = throughInterleaved(table[c], wide, in, block);
                for (const bool inPlace : {false, true}) {
                    const Channels got = throughChannels(table[c], wide, in, block, inPlace);
                    EXPECT_TRUE(sameBits(got.left, expected.left) &&
                                sameBits(got.right, expected.right))
                        << "case " << c << ", blocks of " << block << (wide ? ", wide" : "")
                        << (inPlace ? ", in place" : "");
                }
            }
        }
    }
}

// Samples too small to be normal at unit scale are normal in the machine's scale, and the mix
// brings many of them back above the least normal unit-scale output: they must come in exactly,
// though the render reads subnormal numbers as zero.
TEST(RenderChannels, TakeSubnormalSamplesExactly) {
    std::mt19937 random(12);
    std::uniform_int_distribution<uint32_t> magnitude(1, 0x007fffffu), sign(0, 1);
    const auto subnormal = [&] {
        return std::bit_cast<float>(sign(random) << 31 | magnitude(random));
    };
    Channels in{std::vector<float>(kFrames), std::vector<float>(kFrames)};
    for (int i = 0; i < kFrames; ++i) in.left[i] = subnormal(), in.right[i] = subnormal();
    for (const bool wide : {false, true}) {
        if (wide && !platform::hasWideVectors()) continue;
        for (const Settings& settings : {Settings{}, Settings{{ParamInputMode, 1}}}) {
            const Channels expected = throughInterleaved(settings, wide, in, 256);
            const Channels got = throughChannels(settings, wide, in, 256, false);
            EXPECT_TRUE(sameBits(got.left, expected.left) && sameBits(got.right, expected.right))
                << (wide ? "wide" : "narrow");
        }
    }
}

}  // namespace
