// Where the glide step runs: once per 40 samples, on a grid that runs on across blocks.
#include <gtest/gtest.h>

#include <cmath>

#include "render_support.h"

namespace {

// Counts glide steps: the left dry level climbs by 1 % per step from 0 (400 % over a tick of
// 16000 samples), and a steady left input of 1 shows it in every output frame. The levels are
// brought to 0 by one block of a whole period first, so the grid then stands at the start of
// a period, as after set-up.
class GlideSchedule : public testing::Test {
  protected:
    void SetUp() override {
        test::setLevels(*m, 0, 0);
        test::Frames settle = test::silence(kPeriodSamples);
        m->RenderStereo(settle.data(), kPeriodSamples, 3);
        test::tick(m, {{ParamInertia, 1}});
        test::tick(m, {{ParamDryLeft, 400}});
    }

    // For each frame of the block, the number of glide steps that ran before it.
    std::vector<int> render(int32_t count) {
        test::Frames io(2 * static_cast<size_t>(count), 1.0f);
        EXPECT_TRUE(m->RenderStereo(io.data(), count, 3));
        std::vector<int> steps;
        for (int32_t j = 0; j < count; ++j)
            steps.push_back(static_cast<int>(std::lround(io[2 * j] / double{0.01f})));
        return steps;
    }

    static std::vector<int> runs(std::initializer_list<std::pair<int, int>> countAndLength) {
        std::vector<int> v;
        for (auto [count, length] : countAndLength) v.insert(v.end(), length, count);
        return v;
    }

    test::LocalMachine m{44100, 16000};
};

TEST_F(GlideSchedule, BlocksOfOneHundredFrames) {
    EXPECT_EQ(render(100), runs({{1, 40}, {2, 40}, {3, 20}}));
    EXPECT_EQ(render(100), runs({{3, 20}, {4, 40}, {5, 40}}));
    EXPECT_EQ(render(100), runs({{6, 40}, {7, 40}, {8, 20}}));
}

TEST_F(GlideSchedule, BlocksOfTenFrames) {
    for (int block = 0; block < 12; ++block)
        EXPECT_EQ(render(10), runs({{block / 4 + 1, 10}})) << block;
}

TEST_F(GlideSchedule, BlockOfExactlyOnePeriod) {
    EXPECT_EQ(render(40), runs({{1, 40}}));
    EXPECT_EQ(render(40), runs({{2, 40}}));
    EXPECT_EQ(render(1), runs({{3, 1}}));
}

TEST_F(GlideSchedule, EmptyBlocksChangeNothing) {
    EXPECT_TRUE(render(0).empty());
    EXPECT_EQ(m->dryLeftCurrent, 0.0f) << "no glide step for an empty block";
    EXPECT_EQ(render(100), runs({{1, 40}, {2, 40}, {3, 20}}));
    render(0);
    render(0);
    EXPECT_EQ(m->dryLeftCurrent, 3.0f);
    EXPECT_EQ(render(100), runs({{3, 20}, {4, 40}, {5, 40}}));
    render(0);
    EXPECT_EQ(render(30), runs({{6, 30}}));
}

TEST_F(GlideSchedule, LongBlocksKeepTheGrid) {
    const auto steps = render(300);
    for (int j = 0; j < 300; ++j) ASSERT_EQ(steps[j], j / 40 + 1) << j;
    EXPECT_EQ(render(30), runs({{8, 20}, {9, 10}}));
}

}  // namespace
