// The render: its period schedule across blocks, the work modes, input conditioning, the pan
// glide and output mix, and its guards.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "float_environment_support.h"
#include "render_support.h"

namespace {

using test::Frames;
using test::Side;

constexpr int kLeft = 0, kRight = 1;

Frames noise(int32_t frames, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> level(-20000.0f, 20000.0f);
    Frames f = test::silence(frames);
    for (float& v : f) v = level(generator);
    return f;
}

// A machine with something in every stage and, where the glide step exists, controls that
// glide through the whole test: every difference in where the periods fall shows.
void busyMachine(mi& m) {
    test::setLevels(m, 80, 120);
    test::setPan(m, 0, 100);
    test::setLoop(m, Side::Left, 37);
    test::setLoop(m, Side::Right, 61);
    test::setOffset(m, Side::Left, 5);
    test::setFeedback(m, Side::Both, 70);
    test::setMode(m, Side::Right, 2);
    // A dry level and a feedback on their way over a tick, the chorus, and the sample-and-hold
    // stage at 1.5 frames per held pair.
    test::tick(m, {{ParamResample, 29400}});
    test::tick(m, {{ParamInertia, 1}});
    test::tick(m, {{ParamDryLeft, 400},
                   {ParamFeedbackRight, 0},
                   {ParamChorusLfoType, 1},
                   {ParamChorusRate, 50},
                   {ParamChorusDepth, 30}});
}

// The whole state of a machine: its object and its four buffers.
std::vector<unsigned char> snapshot(const mi& m) {
    std::vector<unsigned char> bytes(reinterpret_cast<const unsigned char*>(&m),
                                     reinterpret_cast<const unsigned char*>(&m) + sizeof m);
    auto add = [&](const float* buffer, size_t floats) {
        if (!buffer) return;
        const auto* b = reinterpret_cast<const unsigned char*>(buffer);
        bytes.insert(bytes.end(), b, b + floats * sizeof(float));
    };
    add(m.delayBufferA, 2 * static_cast<size_t>(m.delayBufferFrames));
    add(m.delayBufferB, 2 * static_cast<size_t>(m.delayBufferFrames));
    add(m.chorusBufferLeft, kChorusBufferFloats);
    add(m.chorusBufferRight, kChorusBufferFloats);
    return bytes;
}

// The period grid ignores block boundaries, so any cut of the same input into blocks (empty
// ones and ones longer than the scratch included) sounds exactly the same.
TEST(Render, OutputDoesNotDependOnTheBlockSizes) {
    const Frames input = noise(3000, 1);
    test::LocalMachine reference;
    busyMachine(*reference);
    Frames expected = input;
    test::render(*reference, expected, 3, 1);

    std::mt19937 generator(7);
    const int32_t sizes[] = {0, 1, 39, 40, 41, 79, 80, 100, 255, 256, 257, 300, 600};
    test::LocalMachine m;
    busyMachine(*m);
    Frames actual = input;
    int32_t done = 0;
    while (done < 3000) {
        const int32_t count = std::min(sizes[generator() % std::size(sizes)], 3000 - done);
        ASSERT_TRUE(m->RenderStereo(actual.data() + 2 * done, count, 3));
        done += count;
    }
    EXPECT_EQ(actual, expected);
}

// A negative count, or a machine whose buffers could not be had, touches nothing.
TEST(Render, GuardsTouchNothing) {
    test::LocalMachine m;
    busyMachine(*m);
    Frames io = noise(300, 2);
    test::render(*m, io);
    auto before = snapshot(*m);
    float guard[2] = {1.0f, 2.0f};
    EXPECT_TRUE(m->RenderStereo(guard, -1, 3));
    EXPECT_TRUE(m->RenderStereo(guard, INT32_MIN, 2));
    EXPECT_EQ(snapshot(*m), before);
    EXPECT_EQ(guard[0], 1.0f);

    float* const saved = m->delayBufferA;
    m->delayBufferA = nullptr;
    before = snapshot(*m);
    for (int32_t mode : {0, 1, 2, 3, 7}) {
        io = noise(100, 3);
        const Frames original = io;
        EXPECT_FALSE(m->RenderStereo(io.data(), 100, mode)) << mode;
        EXPECT_EQ(io, original) << mode;
    }
    EXPECT_EQ(snapshot(*m), before);
    m->delayBufferA = saved;
}

TEST(Render, WorkModesZeroAndOneLeaveTheTailWhereItWas) {
    test::LocalMachine a, b;
    busyMachine(*a);
    busyMachine(*b);
    Frames first = noise(150, 4), firstCopy = first;
    test::render(*a, first);
    test::render(*b, firstCopy);

    const auto before = snapshot(*a);
    Frames ignored = noise(200, 5);
    const Frames original = ignored;
    EXPECT_TRUE(a->RenderStereo(ignored.data(), 200, 1));
    EXPECT_FALSE(a->RenderStereo(ignored.data(), 200, 0));
    EXPECT_EQ(ignored, original);
    EXPECT_EQ(snapshot(*a), before);

    Frames next = noise(500, 6), nextCopy = next;
    test::render(*a, next);
    test::render(*b, nextCopy);
    EXPECT_EQ(next, nextCopy);
}

TEST(Render, WorkModeTwoRendersTheWetSignalFromSilence) {
    test::LocalMachine a, b, c;
    for (auto* m : {&a, &b, &c}) busyMachine(**m);
    Frames start = noise(100, 8), startB = start, startC = start;
    test::render(*a, start);
    test::render(*b, startB);
    test::render(*c, startC);

    Frames garbage = noise(400, 9);
    for (int i = 0; i < 10; ++i) garbage[i] = std::numeric_limits<float>::quiet_NaN();
    Frames zeros = test::silence(400), silentInput = test::silence(400);
    test::render(*a, garbage, 2);
    test::render(*b, zeros, 2);
    test::render(*c, silentInput, 7);  // any other work mode counts as input and output
    EXPECT_EQ(garbage, zeros) << "the buffer is never read";
    EXPECT_EQ(silentInput, zeros) << "silent input sounds like no input";
    EXPECT_NE(zeros[2 * 300], 0.0f) << "the echoes go on";
}

TEST(Render, InputModesConditionTheDryAndDelayedSignal) {
    const struct {
        uint8_t mode;
        float left, right;
    } cases[] = {{0, 1000, -600},  {1, 200, 200},  {2, -1000, 600},
                 {3, -1000, -600}, {4, 1000, 600}, {9, 1000, 600}};
    for (const auto& c : cases) {
        test::LocalMachine m;
        test::setLevels(*m, 100, 100);
        test::setPan(*m, 0, 100);
        test::setLoop(*m, Side::Both, 3);
        test::setFeedback(*m, Side::Both, 50);
        m->inputMode = c.mode;
        Frames io = test::impulse(4, 1000.0f, -600.0f);
        test::render(*m, io);
        EXPECT_EQ(io[0], c.left) << int{c.mode};
        EXPECT_EQ(io[1], c.right) << int{c.mode};
        EXPECT_EQ(io[2], 0.5f * c.left) << int{c.mode} << " first echo";
        EXPECT_EQ(io[3], 0.5f * c.right) << int{c.mode} << " first echo";
    }
    // "Mono" cancels a frame of opposite sides.
    test::LocalMachine m;
    test::setLevels(*m, 100, 100);
    test::setPan(*m, 0, 100);
    m->inputMode = 1;
    Frames io = test::impulse(9000, 1000.0f, -1000.0f);
    test::render(*m, io);
    for (float v : io) ASSERT_EQ(v, 0.0f);
}

TEST(Render, PanSharesSpreadTheWetChannels) {
    auto run = [](int32_t leftPosition, int32_t rightPosition) {
        test::LocalMachine m;
        test::setLevels(*m, 0, 100);
        test::setPan(*m, leftPosition, rightPosition);
        test::setLoop(*m, Side::Both, 2);
        test::setFeedback(*m, Side::Both, 100);
        Frames io = test::impulse(3, 100.0f, 10.0f);
        test::render(*m, io);
        return std::pair<float, float>(io[2], io[3]);
    };
    EXPECT_EQ(run(0, 100), std::make_pair(100.0f, 10.0f)) << "both shares 1";
    EXPECT_EQ(run(100, 0), std::make_pair(10.0f, 100.0f)) << "both shares 0: sides swap";
    EXPECT_EQ(run(50, 50), std::make_pair(55.0f, 55.0f));
}

// While the pan oscillator runs the render moves each share one step per sample toward its
// target and lands on it.
TEST(Render, PanShareGlidesOntoItsTargetWithoutPassingIt) {
    test::LocalMachine m;
    test::setLevels(*m, 0, 100);
    Frames one = test::silence(1);
    test::render(*m, one);  // the period has begun; the rest of it has no glide step
    m->panLfoType = 1;
    m->panMixLeftCurrent = 0.0f;
    m->panMixLeftTarget = 0.5f;
    m->panMixLeftStep = 0.3f;
    m->panMixRightCurrent = 1.0f;
    m->panMixRightTarget = 0.25f;
    m->panMixRightStep = -0.5f;
    Frames io = test::silence(1);
    test::render(*m, io);
    EXPECT_EQ(m->panMixLeftCurrent, 0.3f);
    EXPECT_EQ(m->panMixRightCurrent, 0.5f);
    test::render(*m, io);
    EXPECT_EQ(m->panMixLeftCurrent, 0.5f);
    EXPECT_EQ(m->panMixRightCurrent, 0.25f);
    test::render(*m, io);
    EXPECT_EQ(m->panMixLeftCurrent, 0.5f);
    EXPECT_EQ(m->panMixRightCurrent, 0.25f);

    // Without the oscillator the render leaves the shares as they are.
    m->panLfoType = 0;
    m->panMixLeftTarget = 0.0f;
    test::render(*m, io);
    EXPECT_EQ(m->panMixLeftCurrent, 0.5f);
}

// Finite input never yields an infinity: it would stay in the loop or the filter history for
// ever and become NaN in the mix. Results beyond the float range hold at its largest value.
TEST(Render, HugeFiniteInputNeverTurnsInfinite) {
    test::LocalMachine m;
    test::setLevels(*m, 400, 400);
    test::setPan(*m, 50, 50);
    test::setLoop(*m, Side::Both, 1);
    test::setFeedback(*m, Side::Both, 100);
    m->filterType = 1;
    const float gain[5] = {4.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    std::copy(gain, gain + 5, m->filterCoefLeft);
    std::copy(gain, gain + 5, m->filterCoefRight);
    const float largest = std::numeric_limits<float>::max();
    Frames io = test::silence(100);
    for (size_t i = 0; i < io.size(); ++i) io[i] = i % 2 ? -largest : largest;
    for (int pass = 0; pass < 5; ++pass) {
        test::render(*m, io);  // the output is the next input
        for (float v : io) ASSERT_TRUE(std::isfinite(v)) << pass;
    }
    EXPECT_EQ(io[0], largest);
    Frames quiet = test::silence(100);
    test::render(*m, quiet);
    for (float v : quiet) ASSERT_TRUE(std::isfinite(v));
}

TEST(Render, FlushesSubnormalsAndRestoresTheCallersSetting) {
    test::LocalMachine m;
    test::wetOnly(*m);
    test::setLoop(*m, Side::Both, 1);
    test::setFeedback(*m, Side::Both, 50);
    const test::FloatControl callers = test::readFloatControl();
    Frames io = test::impulse(200, 1.0f, 1.0f);
    test::render(*m, io);
    EXPECT_TRUE(test::readFloatControl() == callers);
    // The loop halves every frame; it goes from the smallest normal number straight to 0.
    EXPECT_EQ(io[2 * 128], 0.0f);
    for (float v : io) EXPECT_NE(std::fpclassify(v), FP_SUBNORMAL);
    EXPECT_EQ(m->delayBufferA[0], 0.0f);

    test::FloatControl flushing = callers;
    flushing.control |= test::callerFlushBits();
    test::writeFloatControl(flushing);
    test::render(*m, io);
    EXPECT_TRUE(test::readFloatControl() == flushing);
    test::writeFloatControl(callers);
}

TEST(Render, SoundsTheSameWhateverRoundingTheCallerLeftSet) {
    auto session = [](int rounding) {
        test::LocalMachine m;
        test::setLoop(*m, Side::Both, 7);
        test::setFeedback(*m, Side::Both, 73);
        m->filterType = 1;
        m->filterDirty = 1;
        Frames io = test::impulse(400, 12345.678f, -321.5f);
        const test::CallerEnvironment caller(rounding, false);
        test::render(*m, io);
        EXPECT_EQ(std::fegetround(), rounding) << "the caller's mode is back";
        return io;
    };
    const Frames nearest = session(FE_TONEAREST);
    for (int rounding : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO})
        EXPECT_EQ(session(rounding), nearest);
}

}  // namespace
