// The chorus, filter and sample-and-hold stages on the wet signal.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "control_support.h"
#include "dsp/stages.h"
#include "render_support.h"

namespace {

using test::Frames;
using test::Side;

constexpr int kLeft = 0, kRight = 1;

// Wet signal only; with 100 % feedback and a long loop each wet sample is the input sample of
// the frame before, so the stages see a known signal.
void plainWet(mi& m) {
    test::wetOnly(m);
    test::setLoop(m, Side::Both, 5000);
    test::setOffset(m, Side::Both, 0);
    test::setFeedback(m, Side::Both, 100);
}

Frames ramp(int32_t frames) {
    Frames f = test::silence(frames);
    for (int32_t i = 0; i < frames; ++i) {
        f[2 * i] = static_cast<float>(i + 1);
        f[2 * i + 1] = static_cast<float>(-3 * (i + 1));
    }
    return f;
}

// Chorus shapes: 1 sine, 2 triangle, 3 random.
void setChorus(mi& m, int32_t type, int32_t rate, int32_t depth) {
    test::tick(m, {{ParamChorusLfoType, type}, {ParamChorusRate, rate}, {ParamChorusDepth, depth}});
}

TEST(Chorus, DepthZeroIsAPlainDelayOfOneHundredSamples) {
    for (int shape = 1; shape <= 3; ++shape) {
        for (int32_t rate : {1, 77, 200}) {
            test::LocalMachine plain, chorused;
            plainWet(*plain);
            plainWet(*chorused);
            setChorus(*chorused, shape, rate, 0);
            Frames a = ramp(700), b = ramp(700);
            test::render(*plain, a, 3, 100);
            test::render(*chorused, b, 3, 100);
            for (int32_t i = 0; i < 700; ++i) {
                const float left = i < 100 ? 0.0f : a[2 * (i - 100)];
                const float right = i < 100 ? 0.0f : a[2 * (i - 100) + 1];
                ASSERT_EQ(b[2 * i], left) << shape << " " << rate << " " << i;
                ASSERT_EQ(b[2 * i + 1], right) << shape << " " << rate << " " << i;
            }
        }
    }
}

TEST(Chorus, OscillatorRunsAtTheRateInTenthsOfAHertz) {
    test::LocalMachine m;
    plainWet(*m);
    setChorus(*m, 1, 10, 100);
    Frames io = test::silence(22050);
    test::render(*m, io);
    EXPECT_NEAR(m->chorusLfoPhase, 128.0f, 0.2f);
    io = test::silence(22050);
    test::render(*m, io);
    const float phase = m->chorusLfoPhase;
    EXPECT_TRUE(phase < 0.2f || phase > 255.8f) << phase;
}

// Filter coefficients y = x1: a one-sample delay whose history is visible in the output.
void delayingFilter(mi& m) {
    m.filterType = 1;
    const float coef[5] = {0.0f, 1.0f, 0.0f, 0.0f, 0.0f};
    std::copy(coef, coef + 5, m.filterCoefLeft);
    std::copy(coef, coef + 5, m.filterCoefRight);
}

TEST(Filter, SwitchedOffAndOnItContinuesFromItsHistory) {
    test::LocalMachine m;
    plainWet(*m);
    delayingFilter(*m);
    const Frames input = ramp(300);  // wet sample of frame i: i on the left, -3i on the right
    auto frames = [&](int32_t from, int32_t to) {
        return Frames(input.begin() + 2 * from, input.begin() + 2 * to);
    };
    Frames on = frames(0, 100);
    test::render(*m, on);
    EXPECT_EQ(on[2 * 50], 49.0f);  // wet 50 delayed by one
    m->filterType = 0;
    Frames off = frames(100, 200);
    test::render(*m, off);
    EXPECT_EQ(off[2 * 50], 150.0f) << "the wet signal itself";
    m->filterType = 1;
    Frames again = frames(200, 300);
    test::render(*m, again);
    EXPECT_EQ(again[0], 99.0f) << "the last wet sample before switching off";
    EXPECT_EQ(again[1], -3 * 99.0f);
    EXPECT_EQ(again[2], 200.0f);
}

TEST(Filter, NonFiniteHistoryStartsAgainFromSilence) {
    test::LocalMachine m;
    plainWet(*m);
    m->filterType = 3;
    const float coef[5] = {0.5f, 0.2f, 0.1f, 0.3f, -0.2f};
    std::copy(coef, coef + 5, m->filterCoefLeft);
    std::copy(coef, coef + 5, m->filterCoefRight);
    m->filterStateLeft[2] = std::numeric_limits<float>::quiet_NaN();
    m->filterStateRight[1] = std::numeric_limits<float>::infinity();
    Frames io = ramp(100);
    test::render(*m, io);
    for (float v : io) ASSERT_TRUE(std::isfinite(v));
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(std::isfinite(m->filterStateLeft[i]));
        EXPECT_TRUE(std::isfinite(m->filterStateRight[i]));
    }
}

TEST(Filter, AnOutputHalfwayBetweenTwoFloatsGoesToTheEvenOne) {
    // (1 + 2^-12)^2 = 1 + 2^-11 + 2^-24 lies exactly halfway between two floats, whose even
    // neighbour is the lower; the history carries it on to the next sample.
    const float b0 = 1.0f + std::ldexp(1.0f, -12);
    const float even = 1.0f + std::ldexp(1.0f, -11);
    for (int32_t at : {0, 17, 39}) {
        test::LocalMachine m;
        m->filterType = 1;
        const float coef[5] = {b0, 0.0f, 0.0f, 1.0f, 0.0f};  // y = b0 * x + y1
        std::copy(coef, coef + 5, m->filterCoefLeft);
        std::copy(coef, coef + 5, m->filterCoefRight);
        std::fill(m->wetLeft, m->wetLeft + 40, 0.0f);
        std::fill(m->wetRight, m->wetRight + 40, 0.0f);
        m->wetLeft[at] = b0;
        m->wetRight[at] = -b0;
        const dsp::FilterStretch stretch{0, 40, m->filterCoefLeft, m->filterCoefRight};
        dsp::runFilter(*m, &stretch, 1, {m->wetLeft, m->wetRight});
        EXPECT_EQ(m->wetLeft[at], even) << "tie at " << at;
        EXPECT_EQ(m->wetRight[at], -even) << "tie at " << at;
        EXPECT_EQ(m->wetLeft[39], even) << "held by the feedback, tie at " << at;
    }
}

TEST(SampleAndHold, RatioTwoHoldsEveryOtherPair) {
    test::LocalMachine plain, held;
    plainWet(*plain);
    plainWet(*held);
    plain->resampleCounter = 0.25f;  // at a ratio of 1 the stage stands still
    test::noInertia(*held);
    test::tick(held, {{ParamResample, 22050}});
    Frames a = ramp(9), b = ramp(9);
    test::render(*plain, a);
    test::render(*held, b);
    EXPECT_EQ(plain->resampleCounter, 0.25f);
    // 0, w1, w1, w3, w3, ...
    EXPECT_EQ(b[0], 0.0f);
    EXPECT_EQ(b[1], 0.0f);
    for (int i = 1; i < 9; ++i) {
        const int captured = i % 2 == 1 ? i : i - 1;
        EXPECT_EQ(b[2 * i], a[2 * captured]) << i;
        EXPECT_EQ(b[2 * i + 1], a[2 * captured + 1]) << i;
    }
}

TEST(SampleAndHold, FractionalRatioCarriesTheRemainder) {
    test::LocalMachine m;
    plainWet(*m);
    test::noInertia(*m);
    test::tick(m, {{ParamResample, 17640}});  // 2.5 frames per held pair
    Frames io = ramp(11);
    test::render(*m, io);
    // Captures at frames 2, 4 (counter 0.5 + 2 = 2.5), 7, 9: every 2.5 frames on average.
    const std::vector<float> expected = {0, 0, 2, 2, 4, 4, 4, 7, 7, 9, 9};
    EXPECT_EQ(test::channel(io, kLeft), expected);
    EXPECT_EQ(m->resampleCounter, 1.0f);
}

// Sample rates and tick lengths no host should send: the render stays inside its buffers and
// produces numbers.
TEST(Stages, OddMasterInformationIsSafe) {
    const struct {
        int32_t setUpRate, setUpTick, laterRate, laterTick;
    } cases[] = {{0, 0, 0, 0},
                 {-44100, -5, -44100, -5},
                 {44100, INT32_MAX, 0, INT32_MAX},
                 {44100, 5512, -1, INT32_MIN},
                 {3, 1, 1, 1},
                 {44100, 5512, INT32_MAX, 5512},
                 {44100, 5512, INT32_MIN, 0}};
    for (const auto& c : cases) {
        test::LocalMachine m(c.setUpRate, c.setUpTick);
        ASSERT_NE(m->delayBufferA, nullptr);
        m.master.sampleRate = c.laterRate;
        m.master.samplesPerTick = c.laterTick;
        test::setLoop(*m, Side::Both, m->delayBufferFrames);
        setChorus(*m, 3, 200, 100);
        test::noInertia(*m);
        test::tick(m, {{ParamFilterType, 1}, {ParamResample, 14700}});  // 3 frames per pair
        test::setMode(*m, Side::Left, 2);
        Frames io = ramp(1000);
        test::render(*m, io, 3, 256);
        test::render(*m, io, 2, 97);
        for (float v : io) ASSERT_TRUE(std::isfinite(v)) << c.setUpRate << " " << c.laterRate;
        EXPECT_GE(m->chorusLfoPhase, 0.0f);
        EXPECT_LT(m->chorusLfoPhase, 256.0f);
    }
}

}  // namespace
