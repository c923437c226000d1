// process() allocates nothing: this program's global allocation functions count while the
// plug-in runs through parameter changes, program changes, tempo changes, a state loaded while
// active, and every block length.
#include "../allocation/counting_allocator.h"
#include "vst3_host.h"

namespace {

using namespace vst3test;

TEST(Vst3Allocation, CountingWorks) {
    counting = true;
    int* volatile probe = new int(3);
    counting = false;
    delete probe;
    EXPECT_EQ(allocations.exchange(0), 1);
}

TEST(Vst3Allocation, ProcessAllocatesNothing) {
    Plugin plugin, source;
    ASSERT_TRUE(plugin.ok() && source.ok());
    plugin.activate(48000);
    const std::optional<std::string> state = source.state();
    ASSERT_TRUE(state);
    std::vector<float> left(8192, 0.2f), right(8192, -0.1f), outL(8192), outR(8192);
    allocations = 0;
    for (const int32_t block : {0, 1, 7, 256, 1000, 8192}) {
        for (int round = 0; round < 4; ++round) {
            // Made before counting starts; the plug-in only reads them.
            Changes changes;
            changes.add(ParamFeedbackLeft, 0, 0.2 * round);
            changes.add(ParamFilterType, block / 2, round / 6.0);
            changes.add(ParamDelayLeft, block / 3, 0.1 * round);
            changes.add(ParamDelayLeft, block / 2, 0.3);
            changes.add(kTicksPerBeatId, block / 4, round / 10.0);
            changes.add(kProgramId, block - 1, round / 11.0);
            if (round == 2) {
                ASSERT_EQ(plugin.setState(*state), V3_OK);
            }
            counting = true;
            plugin.process(left.data(), right.data(), outL.data(), outR.data(), block, &changes,
                           100.0 + round);
            counting = false;
        }
    }
    EXPECT_EQ(allocations.load(), 0);
}

}  // namespace
