// The render never allocates. This binary replaces the global allocation functions with ones
// that count, so it is kept apart from the other tests.
#include <gtest/gtest.h>

#include "../render_support.h"
#include "counting_allocator.h"

namespace {

TEST(RenderAllocation, CountingWorks) {
    counting = true;
    int* volatile probe = new int(3);
    counting = false;
    delete probe;
    EXPECT_EQ(allocations.exchange(0), 1);
}

// Every stage and both kinds of loop, every work mode and block sizes up to beyond the
// scratch.
TEST(RenderAllocation, RenderingAllocatesNothing) {
    test::LocalMachine m;
    test::setLevels(*m, 90, 110);
    test::setLoop(*m, test::Side::Left, 300);
    test::setLoop(*m, test::Side::Right, 451);
    test::setOffset(*m, test::Side::Both, 20);
    test::setFeedback(*m, test::Side::Both, 80);
    // Gliding dry level and resample rate, every oscillator running.
    test::tick(m, {{ParamInertia, 1}});
    test::tick(m, {{ParamDryLeft, 300},
                   {ParamChorusLfoType, 1},
                   {ParamFilterType, 1},
                   {ParamFilterLfoType, 1},
                   {ParamPanLfoType, 3},
                   {ParamResample, 11025}});
    test::Frames io = test::silence(700);
    for (size_t i = 0; i < io.size(); ++i) io[i] = static_cast<float>(i % 97) * 100;

    counting = true;
    for (int mode = 0; mode <= 5; ++mode) {
        counting = false;  // the tick's record is the host's, not the machine's
        test::setMode(*m, test::Side::Left, mode, mode == 5 ? 63 : 50);
        counting = true;
        for (int32_t workMode : {3, 2, 1, 0}) {
            for (int32_t count : {0, 1, 40, 113, 256, 700})
                m->RenderStereo(io.data(), count, workMode);
        }
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
}

}  // namespace
