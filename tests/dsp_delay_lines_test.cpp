// The offset lines and feedback loops with their delay modes, seen through the wet output.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "render_support.h"

namespace {

using test::Frames;
using test::Side;

constexpr int kLeft = 0, kRight = 1;

// A machine whose output is its wet signal, with a loop of `loop` samples, an offset of
// `offset` samples and feedback `feedback` percent on both channels.
struct EchoMachine {
    EchoMachine(int32_t loop, int32_t offset, int32_t feedback) {
        test::wetOnly(*m);
        test::setLoop(*m, Side::Both, loop);
        test::setOffset(*m, Side::Both, offset);
        test::setFeedback(*m, Side::Both, feedback);
    }
    test::LocalMachine m;
};

// Frames at which the channel is non-zero, with their values.
std::vector<std::pair<int, float>> echoes(const Frames& out, int which) {
    std::vector<std::pair<int, float>> found;
    const auto c = test::channel(out, which);
    for (size_t i = 0; i < c.size(); ++i)
        if (c[i] != 0.0f) found.emplace_back(static_cast<int>(i), c[i]);
    return found;
}

TEST(DelayLines, EchoesComeAfterTheOffsetThenEveryLoopLength) {
    const float h = 1000.0f;
    {
        EchoMachine e(5, 0, 50);
        Frames io = test::impulse(20, h, 0.0f);
        test::render(*e.m, io);
        const std::vector<std::pair<int, float>> expected = {
            {1, 0.5f * h}, {6, 0.25f * h}, {11, 0.125f * h}, {16, 0.0625f * h}};
        EXPECT_EQ(echoes(io, kLeft), expected);
        EXPECT_TRUE(echoes(io, kRight).empty());
    }
    {
        EchoMachine e(5, 3, 50);
        Frames io = test::impulse(20, 0.0f, h);
        test::render(*e.m, io);
        const std::vector<std::pair<int, float>> expected = {
            {3, 0.5f * h}, {8, 0.25f * h}, {13, 0.125f * h}, {18, 0.0625f * h}};
        EXPECT_EQ(echoes(io, kRight), expected);
        EXPECT_TRUE(echoes(io, kLeft).empty());
    }
}

TEST(DelayLines, LengthZeroActsAsOneSample) {
    Frames input = test::silence(64);
    for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<float>((i * 37) % 11) - 5;
    auto run = [&](int32_t loop, int32_t offset) {
        EchoMachine e(loop, offset, 70);
        Frames io = input;
        test::render(*e.m, io);
        return io;
    };
    EXPECT_EQ(run(0, 4), run(1, 4));
    EXPECT_EQ(run(6, 0), run(6, 1));
    EXPECT_EQ(run(0, 0), run(1, 1));
}

TEST(DelayLines, InvertedReadsTheSameLoopWithTheOppositeSign) {
    Frames input = test::impulse(60, 800.0f, -300.0f);
    EchoMachine normal(7, 2, 60), inverted(7, 2, 60);
    test::setMode(*inverted.m, Side::Both, 1);
    Frames a = input, b = input;
    test::render(*normal.m, a, 3, 30);
    test::render(*inverted.m, b, 3, 30);
    for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(b[i], -a[i]) << i;

    // Back to "Normal": the stored loop was never touched, so the sign is simply restored.
    test::setMode(*inverted.m, Side::Both, 0);
    Frames c = test::silence(40), d = test::silence(40);
    test::render(*normal.m, c);
    test::render(*inverted.m, d);
    EXPECT_EQ(c, d);
    EXPECT_FALSE(echoes(c, kLeft).empty());
}

// The loop preloaded with 1..D and held by a feedback of 100 % with silent input.
TEST(DelayLines, ReverseWalksBackwardInsideTheLoop) {
    const int32_t d = 6;
    EchoMachine e(d, 0, 100);
    test::setMode(*e.m, Side::Left, 2);
    for (int f = 0; f < d; ++f) e.m->delayBufferA[2 * f] = static_cast<float>(f + 1);
    e.m->delayBufferA[2 * d] = -99.0f;  // just beyond the loop: must never be read
    Frames io = test::silence(2 * d);
    test::render(*e.m, io);
    // The write walks 1, 2, .., 5, 0, 1, ..; the read walks 5, 4, .., 1, 0, 5, ..
    const std::vector<float> expected = {6, 5, 4, 3, 2, 1, 6, 5, 4, 3, 2, 1};
    EXPECT_EQ(test::channel(io, kLeft), expected);
}

TEST(DelayLines, ReverseAtTheGreatestLengthStaysInTheBuffer) {
    test::LocalMachine m(100, 50);  // 400 frames of buffer
    test::wetOnly(*m);
    const int32_t frames = m->delayBufferFrames;
    test::setLoop(*m, Side::Both, frames);
    test::setFeedback(*m, Side::Both, 100);
    test::setMode(*m, Side::Both, 2);
    m->delayBufferA[0] = 7.0f;
    m->delayBufferA[1] = -7.0f;
    Frames io = test::silence(frames);
    test::render(*m, io, 2);
    // The last frame of the pass is the wrap to frame 0, which reads frame 0.
    EXPECT_EQ(io[2 * (frames - 1)], 7.0f);
    EXPECT_EQ(io[2 * (frames - 1) + 1], -7.0f);
}

// With 100 % feedback and a loop longer than the test, each wet sample is the entry value of
// the frame before.
std::vector<float> entryValues(int32_t mode, int32_t param, const std::vector<float>& inputs) {
    EchoMachine e(1000, 0, 100);
    test::setMode(*e.m, Side::Both, mode, param);
    Frames io = test::silence(static_cast<int32_t>(inputs.size()) + 1);
    for (size_t i = 0; i < inputs.size(); ++i) io[2 * i] = io[2 * i + 1] = inputs[i];
    test::render(*e.m, io);
    const auto left = test::channel(io, kLeft);
    EXPECT_EQ(left, test::channel(io, kRight));
    return {left.begin() + 1, left.end()};
}

TEST(DelayLines, ShapingModesChangeWhatEnters) {
    // Parameter 50: the knee at 16384, a make-up gain of 1.9607843.
    const auto clip = entryValues(3, 50, {32768, 8000, -32768, 16384});
    EXPECT_NEAR(clip[0], 32768.0f, 0.01f);
    EXPECT_NEAR(clip[1], 15686.27f, 0.01f);
    EXPECT_NEAR(clip[2], -32768.0f, 0.01f);
    EXPECT_NEAR(clip[3], 16384 * 1.9607843f, 0.01f);

    const auto shaped = entryValues(4, 1, {16384, 32768, -16384, 0});  // amount 0
    EXPECT_FLOAT_EQ(shaped[0], 19660.8f);
    EXPECT_EQ(shaped[1], 32768.0f);
    EXPECT_FLOAT_EQ(shaped[2], -19660.8f);
    EXPECT_EQ(shaped[3], 0.0f);
    const auto steep = entryValues(4, 100, {1, 32768});  // amount 99
    EXPECT_NEAR(steep[0], 100.0f, 0.5f) << "gain k + 1 near zero";
    EXPECT_EQ(steep[1], 32768.0f);

    // Parameter 25: four bits taken off, steps of 4096.
    const std::vector<float> crushed = entryValues(5, 25, {5000, -5000, 4095, -4095, 8192});
    EXPECT_EQ(crushed, (std::vector<float>{4096, -4096, 0, 0, 8192}));
    // Quotients far beyond the 32-bit range truncate exactly too.
    const std::vector<float> far = {3.0e10f, -7.5e12f, 1.0e20f};
    const std::vector<float> crushedFar = entryValues(5, 25, far);
    for (size_t i = 0; i < far.size(); ++i)
        EXPECT_EQ(crushedFar[i], static_cast<float>(std::trunc(far[i] / 4096.0) * 4096.0));
}

TEST(DelayLines, AQuotientThatTruncatesToNothingEntersAsPositiveZero) {
    // A negative zero would keep its sign through a loop that has itself decayed to -0.
    EchoMachine e(1000, 20, 100);
    test::setMode(*e.m, Side::Both, 5, 25);  // steps of 4096
    Frames io = test::silence(4);
    for (float& s : io) s = -100.0f;
    test::render(*e.m, io);
    for (int32_t i = 0; i < 2 * 20; ++i)
        ASSERT_EQ(std::bit_cast<uint32_t>(e.m->delayBufferB[i]), 0u) << "offset line float " << i;
}

TEST(DelayLines, WithoutInputTheLoopKeepsCirculatingInEveryMode) {
    const struct {
        int32_t mode, param;
        float echo;  // the first echo in the silent block; 0 where not checked
    } cases[] = {{0, 1, 250}, {1, 1, -250}, {2, 1, 250}, {3, 50, 0}, {4, 1, 0}, {5, 50, 192}};
    for (const auto& c : cases) {
        EchoMachine e(4, 0, 50);
        test::setMode(*e.m, Side::Both, c.mode, c.param);
        Frames first = test::impulse(2, 1000.0f, 1000.0f);
        test::render(*e.m, first, 3);
        Frames rest = test::silence(12);
        for (float& v : rest) v = 12345.0f;  // never read
        test::render(*e.m, rest, 2);
        // The impulse's echoes every 4 frames, halving at each pass; the offset line has
        // only zeros to give.
        const auto left = test::channel(rest, kLeft);
        const float echo = left[3];
        if (c.echo != 0) {
            EXPECT_EQ(echo, c.echo) << c.mode;
        }
        EXPECT_NE(echo, 0.0f) << c.mode;
        EXPECT_EQ(left[7], 0.5f * echo) << c.mode;
        EXPECT_EQ(left[11], 0.25f * echo) << c.mode;
        for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10}) EXPECT_EQ(left[i], 0.0f) << c.mode << " " << i;
    }
}

TEST(DelayLines, ChannelsDoNotInfluenceEachOther) {
    Frames input = test::silence(300);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = static_cast<float>(((i * 7919) % 2001) - 1000) * 30;
    auto run = [&](int32_t rightMode, int32_t rightLoop, float rightScale) {
        EchoMachine e(11, 3, 80);
        test::setMode(*e.m, Side::Left, 2);
        test::setMode(*e.m, Side::Right, rightMode, 50);
        test::setLoop(*e.m, Side::Right, rightLoop);
        Frames io = input;
        for (size_t i = 1; i < io.size(); i += 2) io[i] *= rightScale;
        test::render(*e.m, io);
        return test::channel(io, kLeft);
    };
    const auto reference = run(5, 17, 1.0f);
    EXPECT_EQ(run(0, 3, 0.0f), reference);
    EXPECT_EQ(run(1, 40, -2.0f), reference);
}

// Both channels "Normal" run in one combined loop; one channel "Inverted" runs each in its
// own loop. The results must agree.
TEST(DelayLines, CombinedLoopMatchesSeparateLoops) {
    Frames input = test::silence(500);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = std::sin(static_cast<double>(i) * 0.37) * 20000;
    EchoMachine both(13, 5, 90), split(13, 5, 90);
    test::setLoop(*both.m, Side::Right, 29);
    test::setLoop(*split.m, Side::Right, 29);
    test::setMode(*split.m, Side::Right, 1);
    Frames a = input, b = input;
    test::render(*both.m, a, 3, 77);
    test::render(*split.m, b, 3, 77);
    for (size_t i = 0; i < a.size(); i += 2) {
        EXPECT_EQ(b[i], a[i]) << i;
        EXPECT_EQ(b[i + 1], -a[i + 1]) << i;
    }
}

TEST(DelayLines, NonFiniteInputEntersAsSilence) {
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity()};
    for (int mode = 0; mode <= 5; ++mode) {
        for (float x : bad) {
            EchoMachine e(3, 1, 90);
            test::setLevels(*e.m, 100, 100);
            // Knee 16384, amount 4, steps of 4.
            test::setMode(*e.m, Side::Both, mode, mode == 3 ? 50 : mode == 4 ? 5 : 88);
            Frames io = test::impulse(200, x, 500.0f, 10);
            test::render(*e.m, io, 3, 37);
            // The dry path passes the host's sample as it is.
            EXPECT_EQ(std::isnan(io[20]), std::isnan(x)) << mode;
            EXPECT_FALSE(std::isfinite(io[20])) << mode;
            for (size_t i = 22; i < io.size(); ++i)
                ASSERT_TRUE(std::isfinite(io[i])) << "mode " << mode << " at " << i;
            EXPECT_NE(io[2 * 11 + 1], 0.0f) << "the other channel still echoes";
        }
    }
}

}  // namespace
