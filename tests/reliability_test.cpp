// What a plug-in validator throws at a machine: every rate and block size, random automation,
// values outside the ranges, non-finite input, many machines and many lifetimes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "core/hosted_machine.h"
#include "core/parameter_record.h"
#include "test_support.h"

namespace {

using core::HostedMachine;
using core::ParameterRecord;

constexpr int32_t kSamplesPerTick = 5512;

// Sets a handful of parameters to random values inside their ranges.
void randomChanges(ParameterRecord& record, std::mt19937& random, int changes) {
    record.clear();
    for (int c = 0; c < changes; ++c) {
        const int index = std::uniform_int_distribution<int>(0, record.count() - 1)(random);
        const auto& p = record.parameter(index);
        record.set(index, std::uniform_int_distribution<int>(p.minValue, p.maxValue)(random));
    }
}

void fillNoise(std::vector<float>& frames, std::mt19937& random) {
    std::uniform_real_distribution<float> noise(-32768.0f, 32768.0f);
    for (float& s : frames) s = noise(random);
}

// Renders `frames` frames in blocks given by `blockSize` (called for each block), with random
// parameter changes every few blocks, and returns the output.
template <typename BlockSize>
std::vector<float> renderSession(int32_t rate, int totalFrames, uint32_t seed, BlockSize blockSize,
                                 int changeEvery = 2048) {
    HostedMachine machine(test::pluginLibrary().code(), rate, kSamplesPerTick);
    ParameterRecord record(*test::pluginLibrary().info());
    record.setDefaults();
    machine.tick(record);
    std::mt19937 random(seed);
    std::mt19937 automation(seed + 1);
    std::vector<float> input(static_cast<size_t>(totalFrames) * 2);
    fillNoise(input, random);
    std::vector<float> output = input;
    int nextChange = changeEvery;
    for (int at = 0; at < totalFrames;) {
        if (at >= nextChange) {  // ticks fall on the same frames whatever the blocks
            randomChanges(record, automation, 3);
            machine.tick(record);
            nextChange += changeEvery;
        }
        const int n = std::min({blockSize(), totalFrames - at, nextChange - at});
        machine.render(output.data() + 2 * at, n, 3);
        at += n;
    }
    return output;
}

TEST(Reliability, EveryRateAndBlockSizeGivesFiniteNormalOutput) {
    const int32_t rates[] = {22050, 44100, 48000, 96000, 192000};
    const int blocks[] = {1, 7, 40, 64, 256, 1024};
    uint32_t seed = 1;
    for (int32_t rate : rates) {
        for (int block : blocks) {
            const std::vector<float> out = renderSession(
                rate, 24000, seed++, [block] { return block; }, 1500);
            size_t bad = 0;
            for (float s : out) bad += !std::isfinite(s) || std::fpclassify(s) == FP_SUBNORMAL;
            EXPECT_EQ(bad, 0u) << "rate " << rate << ", blocks of " << block;
        }
    }
}

TEST(Reliability, BlockPartitionDoesNotChangeTheOutput) {
    std::mt19937 a(11), b(12);
    auto partitionA = [&a] { return std::uniform_int_distribution<int>(0, 300)(a); };
    auto partitionB = [&b] { return std::uniform_int_distribution<int>(1, 64)(b); };
    const std::vector<float> first = renderSession(44100, 30000, 7, partitionA);
    const std::vector<float> second = renderSession(44100, 30000, 7, partitionB);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(float)), 0);
}

TEST(Reliability, ManyLifetimesAndManyMachinesAtOnce) {
    std::vector<float> block(2 * 64, 1000.0f);
    for (int i = 0; i < 1000; ++i) {
        HostedMachine machine(test::pluginLibrary().code(), 8000, 1000);
        machine.render(block.data(), 64, 3);
    }
    std::vector<std::unique_ptr<HostedMachine>> alive;
    for (int i = 0; i < 64; ++i) {
        alive.push_back(std::make_unique<HostedMachine>(test::pluginLibrary().code(), 44100, 5512));
        alive.back()->render(block.data(), 64, 3);
    }
    for (auto& machine : alive) EXPECT_TRUE(machine->render(block.data(), 64, 2));
}

TEST(Reliability, NanBurstLeavesNoTrace) {
    HostedMachine machine(test::pluginLibrary().code(), 44100, 5512);
    ParameterRecord record(*test::pluginLibrary().info());
    record.setDefaults();
    record.set(24, 1);      // a low-pass filter, so a filter history is in the path
    record.set(31, 1);      // the chorus
    record.set(23, 1);      // the pan oscillator
    record.set(34, 22050);  // sample-and-hold
    machine.tick(record);
    std::mt19937 random(3);
    std::vector<float> block(2 * 256);
    const float poison[] = {NAN, INFINITY, -INFINITY};
    for (int b = 0; b < 200; ++b) {
        fillNoise(block, random);
        if (b >= 20 && b < 30)
            for (size_t i = 0; i < block.size(); i += 3) block[i] = poison[i % 3];
        machine.render(block.data(), 256, 3);
        if (b < 30) continue;
        for (float s : block) {
            ASSERT_TRUE(std::isfinite(s)) << "block " << b;
        }
    }
}

TEST(Reliability, EveryOutOfRangeValueIsAccepted) {
    HostedMachine machine(test::pluginLibrary().code(), 44100, 5512);
    ParameterRecord record(*test::pluginLibrary().info());
    std::vector<float> block(2 * 64, 5000.0f);
    for (int index = 0; index < record.count(); ++index) {
        const auto& p = record.parameter(index);
        const int top = record.isWord(index) ? 65534 : 254;
        std::vector<int> values;
        for (int v = 0; v < p.minValue; ++v) values.push_back(v);
        for (int v = p.maxValue + 1; v <= top; v += v < p.maxValue + 300 ? 1 : 97)
            values.push_back(v);
        values.push_back(top);
        for (int v : values) {
            record.clear();
            record.set(index, v);
            machine.tick(record);
            machine.render(block.data(), 64, 3);
            const char* text = machine.valueText(index, v);
            if (text != nullptr) {
                ASSERT_LT(std::strlen(text), 16u);
            }
        }
        for (float s : block) {
            ASSERT_TRUE(std::isfinite(s)) << p.name;
        }
    }
}

}  // namespace
