// process() and a flush during processing allocate nothing: this program's global allocation
// functions count while the plug-in renders through parameter and tempo events at every block
// length.
#include "../allocation/counting_allocator.h"
#include "clap_host.h"

namespace {

TEST(ClapAllocation, ProcessAllocatesNothing) {
    claptest::Plugin plugin;
    ASSERT_TRUE(plugin.activate(48000));
    std::vector<float> left(8192, 0.2f), right(8192, -0.1f), outL(8192), outR(8192);
    const std::vector<claptest::Event> events = {{0, ParamFeedbackLeft, 80},
                                                 {17, 0, 90.0, true},
                                                 {17, ParamFilterType, 3},
                                                 {100, ParamDelayLeft, 1500},
                                                 {100, ParamChorusLfoType, 2}};
    const claptest::InputEvents list(events), none({});
    allocations = 0;
    for (const uint32_t block : {0u, 1u, 7u, 256u, 1000u, 8192u}) {
        counting = true;
        plugin.run(left.data(), right.data(), outL.data(), outR.data(), block,
                   block > 100 ? list : none);
        counting = false;
    }
    EXPECT_EQ(allocations.load(), 0);
}

}  // namespace
