// What plug-in validators do to a plug-in: noise at several rates and block lengths with random
// parameter changes every 32 frames, non-finite input, and many lifetimes.
#include <cmath>
#include <limits>

#include "vst3_host.h"

namespace {

using namespace vst3test;

bool clean(float s) { return std::isfinite(s) && (s == 0.0f || std::fabs(s) >= 1.17549435e-38f); }

// A normalised value for every parameter, the program now and then: mostly in range, some
// beyond it, a few not numbers at all.
void randomChanges(Changes& changes, int32_t frame, std::mt19937& random) {
    std::uniform_real_distribution<double> share(-0.1, 1.1);
    std::uniform_int_distribution<int> odd(0, 40);
    for (int id = 0; id <= kProgramId; ++id) {
        if (id == kProgramId && odd(random) > 2) continue;
        double value = share(random);
        if (odd(random) == 0) value = std::numeric_limits<double>::quiet_NaN();
        if (odd(random) == 1) value = -std::numeric_limits<double>::infinity();
        changes.add(id, frame, value);
    }
}

TEST(Vst3Validator, NoiseAndRandomChangesGiveCleanOutputAtEveryRateAndBlock) {
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::uniform_real_distribution<double> tempo(10.0, 1200.0);
    for (const int32_t rate : {22050, 44100, 96000}) {
        for (const int32_t block : {1, 7, 256, 1000, 8192}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, blocks of " << block);
            Plugin plugin;
            ASSERT_TRUE(plugin.ok());
            plugin.activate(rate);
            Channels in{std::vector<float>(24000), std::vector<float>(24000)};
            for (size_t i = 0; i < in.left.size(); ++i) {
                in.left[i] = noise(random);
                in.right[i] = noise(random);
            }
            for (size_t i = 9000; i < 9100; ++i) {  // a burst of NaN and infinities
                in.left[i] = i % 2 ? std::numeric_limits<float>::quiet_NaN()
                                   : std::numeric_limits<float>::infinity();
                in.right[i] = -std::numeric_limits<float>::infinity();
            }
            const Channels out = plugin.run(in, block, [&](size_t from, int32_t n, Changes& c) {
                for (size_t f = (from + 31) / 32 * 32; f < from + static_cast<size_t>(n); f += 32)
                    randomChanges(c, static_cast<int32_t>(f - from), random);
                return from % 3000 < static_cast<size_t>(block) ? tempo(random) : 0.0;
            });
            size_t bad = 0;
            for (size_t i = 0; i < out.left.size(); ++i)
                bad += !clean(out.left[i]) + !clean(out.right[i]);
            EXPECT_EQ(bad, 0u);
        }
    }
}

TEST(Vst3Validator, AThousandLifetimes) {
    std::vector<float> in(64, 0.1f), out(64);
    for (int i = 0; i < 1000; ++i) {
        Plugin plugin;
        ASSERT_TRUE(plugin.ok());
        if (i % 4 == 0) continue;  // made and released without ever processing
        plugin.activate(i % 2 ? 44100 : 96000);
        plugin.process(in.data(), in.data(), out.data(), out.data(), 64);
        if (i % 5 == 0) {
            plugin.deactivate();
            plugin.activate(48000);
            plugin.process(in.data(), in.data(), out.data(), out.data(), 64);
        }
    }
}

}  // namespace
