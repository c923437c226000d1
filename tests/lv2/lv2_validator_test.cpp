// What plug-in validators do to a plug-in: noise at every rate and block length with random
// control values, non-finite input, and many lifetimes.
#include <cmath>
#include <limits>
#include <random>

#include "lv2_host.h"

namespace {

using lv2test::Instance;

bool clean(float s) { return std::isfinite(s) && (s == 0.0f || std::fabs(s) >= 1.17549435e-38f); }

// Random values for every control: mostly in range, some beyond it, now and then not a number.
void randomControls(Instance& plugin, std::mt19937& random) {
    std::uniform_real_distribution<float> share(-0.1f, 1.1f);
    std::uniform_int_distribution<int> odd(0, 40);
    offline::PluginLibrary& library = Instance::machineLibrary();
    for (int i = 0; i < kParameterCount; ++i) {
        const ParameterDescriptor& d = *library.info()->parameters[i];
        float value = static_cast<float>(d.minValue + share(random) * (d.maxValue - d.minValue));
        if (odd(random) == 0) value = std::numeric_limits<float>::quiet_NaN();
        if (odd(random) == 1) value = -std::numeric_limits<float>::infinity();
        plugin.set(i, value);
    }
    plugin.tempo = 20.0f + share(random) * 1000.0f;
    plugin.ticksPerBeat = share(random) * 70.0f;
}

TEST(Lv2Validator, NoiseAndRandomControlsGiveCleanOutputAtEveryRateAndBlock) {
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (const int32_t rate : {22050, 44100, 48000, 96000}) {
        for (const uint32_t block : {1u, 7u, 256u, 1000u, 8192u}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, blocks of " << block);
            Instance plugin(rate);
            ASSERT_NE(plugin.instance, nullptr);
            plugin.activate();
            const size_t frames = 24000;
            std::vector<float> left(frames), right(frames), outL(frames), outR(frames);
            for (size_t i = 0; i < frames; ++i) {
                left[i] = noise(random);
                right[i] = noise(random);
            }
            // A burst of NaN and infinities in the middle.
            for (size_t i = 9000; i < 9100; ++i) {
                left[i] = i % 2 ? std::numeric_limits<float>::quiet_NaN()
                                : std::numeric_limits<float>::infinity();
                right[i] = -std::numeric_limits<float>::infinity();
            }
            size_t sinceChange = 32;
            for (size_t at = 0; at < frames; at += block) {
                if (sinceChange >= 32) {
                    randomControls(plugin, random);
                    sinceChange = 0;
                }
                const auto n = static_cast<uint32_t>(std::min<size_t>(block, frames - at));
                std::vector<lv2test::TempoEvent> tempos;
                if (at % 3000 < block)
                    tempos.push_back({n / 2, 30.0f + static_cast<float>(at % 700)});
                plugin.run(left.data() + at, right.data() + at, outL.data() + at, outR.data() + at,
                           n, tempos);
                sinceChange += n;
            }
            size_t bad = 0;
            for (size_t i = 0; i < frames; ++i) bad += !clean(outL[i]) + !clean(outR[i]);
            EXPECT_EQ(bad, 0u);
        }
    }
}

TEST(Lv2Validator, AThousandLifetimes) {
    std::vector<float> in(64, 0.1f), out(64);
    for (int i = 0; i < 1000; ++i) {
        Instance plugin(i % 2 ? 44100 : 96000, i % 3 != 0);
        ASSERT_NE(plugin.instance, nullptr);
        if (i % 4 == 0) continue;  // instantiated and freed without ever running
        plugin.activate();
        plugin.run(in.data(), in.data(), out.data(), out.data(), 64);
        if (i % 5 == 0) {
            plugin.deactivate();
            plugin.activate();
            plugin.run(in.data(), in.data(), out.data(), out.data(), 64);
        }
    }
}

}  // namespace
