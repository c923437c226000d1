// run() allocates nothing: this program's global allocation functions count while the plug-in
// runs through tempo changes, control changes and every block length.
#include "../allocation/counting_allocator.h"
#include "lv2_host.h"

namespace {

TEST(Lv2Allocation, CountingWorks) {
    counting = true;
    int* volatile probe = new int(3);
    counting = false;
    delete probe;
    EXPECT_EQ(allocations.exchange(0), 1);
}

TEST(Lv2Allocation, RunAllocatesNothing) {
    lv2test::Instance plugin(48000);
    ASSERT_NE(plugin.instance, nullptr);
    plugin.activate();
    std::vector<float> left(8192, 0.2f), right(8192, -0.1f), outL(8192), outR(8192);
    // Events are forged before counting starts; the plug-in only reads them.
    const std::vector<lv2test::TempoEvent> tempos = {{0, 120.0f}, {17, 90.0f}, {100, 150.0f}};
    const std::vector<lv2test::TempoEvent> none;
    allocations = 0;
    for (const uint32_t block : {0u, 1u, 7u, 256u, 1000u, 8192u}) {
        for (int round = 0; round < 4; ++round) {
            plugin.set(ParamFeedbackLeft, static_cast<float>(20 * round));
            plugin.set(ParamFilterType, static_cast<float>(round));
            plugin.set(ParamChorusLfoType, static_cast<float>(round % 3));
            plugin.set(ParamDelayLeft, static_cast<float>(1000 + 500 * round));
            plugin.tempo = 100.0f + static_cast<float>(round);
            const std::vector<lv2test::TempoEvent>& events = block > 100 ? tempos : none;
            counting = true;
            plugin.run(left.data(), right.data(), outL.data(), outR.data(), block, events);
            counting = false;
        }
    }
    EXPECT_EQ(allocations.load(), 0);
}

}  // namespace
