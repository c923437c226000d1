// The loops' wide form (for processors with 256-bit vectors) and their form for every
// processor of the family must give the same bits, whatever a session does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "core/hosted_machine.h"
#include "core/linked_machine.h"
#include "core/parameter_record.h"
#include "machine/exports.h"
#include "machine/machine.h"
#include "machine/parameters.h"
#include "platform/processor.h"

namespace {

using core::HostedMachine;
using core::ParameterRecord;

// A session with random settings every 1500 frames, blocks of random length and noise input
// with a few samples no host should send; returns every output bit.
std::vector<float> renderSession(uint32_t seed, bool wide) {
    HostedMachine machine(core::linkedMachine(), 44100, 5512);
    static_cast<mi*>(machine.machine())->wideVectors = wide;
    ParameterRecord record(*GetInfo());
    record.setDefaults();
    std::mt19937 random(seed);
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    // Every stage that has a wide form: the delay lines on either side of the length from
    // which they run wide, the chorus, the shaping modes, the filter and the mix with and
    // without the pan oscillator.
    record.set(ParamDelayLeft, pick(0, 1) != 0 ? kTickValueLimit + pick(1, 64) : pick(1, 32000));
    record.set(ParamDelayRight, pick(0, 1) != 0 ? kTickValueLimit + pick(1, 64) : pick(1, 32000));
    record.set(ParamChorusLfoType, pick(0, 3));
    record.set(ParamModeLeft, pick(0, 5));
    record.set(ParamModeRight, pick(0, 5));
    record.set(ParamPanLfoType, pick(0, 1));
    record.set(ParamFilterType, pick(0, 3));
    machine.tick(record);

    constexpr int kFrames = 12000;
    std::vector<float> frames(2 * kFrames);
    std::uniform_real_distribution<float> noise(-40000.0f, 40000.0f);
    for (float& s : frames) s = noise(random);
    for (int i = 0; i < 3; ++i) {
        frames[pick(0, 2 * kFrames - 1)] = std::numeric_limits<float>::infinity();
        frames[pick(0, 2 * kFrames - 1)] = std::numeric_limits<float>::quiet_NaN();
    }
    for (int at = 0, nextTick = 1500; at < kFrames;) {
        if (at == nextTick) {
            record.clear();
            for (int c = pick(1, 6); c > 0; --c) {
                const int index = pick(0, record.count() - 1);
                const auto& p = record.parameter(index);
                record.set(index, pick(p.minValue, p.maxValue));
            }
            machine.tick(record);
            nextTick += 1500;
        }
        const int n = std::min({pick(1, 300), kFrames - at, nextTick - at});
        machine.render(frames.data() + 2 * at, n, pick(0, 9) == 0 ? 2 : 3);
        at += n;
    }
    return frames;
}

TEST(WideForms, GiveTheSameBitsAsTheFormForEveryProcessor) {
    if (!platform::hasWideVectors()) GTEST_SKIP() << "this processor has no wide vectors";
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const std::vector<float> narrow = renderSession(seed, false);
        const std::vector<float> wide = renderSession(seed, true);
        ASSERT_EQ(std::memcmp(narrow.data(), wide.data(), narrow.size() * sizeof(float)), 0)
            << "session " << seed;
    }
}

}  // namespace
