// The glide step: the glide rule, derived values, oscillators, filter modulation, pan mix.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "control/glide_rule.h"
#include "control/oscillator.h"
#include "control_support.h"
#include "render_support.h"

namespace {

using test::glide;
using test::tick;

TEST(GlideRule, LandsOnTheTargetWithoutPassingIt) {
    float x = 0.0f;
    EXPECT_TRUE(glideToward(x, 10.0f, 4.0f));
    EXPECT_EQ(x, 4.0f);
    EXPECT_TRUE(glideToward(x, 10.0f, 4.0f));
    EXPECT_TRUE(glideToward(x, 10.0f, 4.0f));
    EXPECT_EQ(x, 10.0f);
    EXPECT_FALSE(glideToward(x, 10.0f, 4.0f));

    x = 1.0f;
    EXPECT_TRUE(glideToward(x, -2.5f, 3.0f));
    EXPECT_EQ(x, -2.0f);
    EXPECT_TRUE(glideToward(x, -2.5f, 3.0f));
    EXPECT_EQ(x, -2.5f);

    // Away from the target counts as moved even with no step at all.
    x = 5.0f;
    EXPECT_TRUE(glideToward(x, 6.0f, 0.0f));
    EXPECT_EQ(x, 5.0f);
}

TEST(GlideStep, FeedbackGlidesOverOneTickAndStopsExactly) {
    test::LocalMachine m(44100, 5512);
    tick(m, {{ParamFeedbackLeft, 80}});
    glide(m, 137);  // 30 / 0.2177 = 137.8 steps
    EXPECT_LT(m->feedbackLeftCurrent, 80.0f);
    glide(m);
    EXPECT_EQ(m->feedbackLeftCurrent, 80.0f);
    EXPECT_EQ(m->feedbackGainLeft, 0.8f);
    glide(m, 5);
    EXPECT_EQ(m->feedbackLeftCurrent, 80.0f);
}

TEST(GlideStep, InertiaZeroLandsEveryControlInOneRun) {
    test::LocalMachine m;
    tick(m, {{ParamModeLeft, 3}, {ParamModeRight, 5}, {ParamInertia, 0}});
    tick(m, {{ParamFeedbackLeft, 1},      {ParamFeedbackRight, 2},   {ParamModeParamLeft, 33},
             {ParamModeParamRight, 44},   {ParamDryLeft, 3},         {ParamDryRight, 4},
             {ParamWetLeft, 5},           {ParamWetRight, 6},        {ParamPanLeftA, 7},
             {ParamPanLeftB, 8},          {ParamPanRightA, 9},       {ParamPanRightB, 10},
             {ParamPanLfoRateLeft, 256},  {ParamPanLfoRateRight, 1}, {ParamPanLfoPhaseLeft, 11},
             {ParamPanLfoPhaseRight, 12}, {ParamCutoff, 12345},      {ParamResonance, 13},
             {ParamFilterLfoDepth, 14},   {ParamFilterLfoRate, 15},  {ParamFilterLfoPhase, 16},
             {ParamResample, 17}});
    glide(m);
    const struct {
        float current, target;
    } controls[] = {
        {m->feedbackLeftCurrent, float(m->feedbackLeftTarget)},
        {m->feedbackRightCurrent, float(m->feedbackRightTarget)},
        {m->modeValueLeftCurrent, float(m->modeValueLeftTarget)},
        {m->modeValueRightCurrent, float(m->modeValueRightTarget)},
        {m->dryLeftCurrent, float(m->dryLeftTarget)},
        {m->dryRightCurrent, float(m->dryRightTarget)},
        {m->wetLeftCurrent, float(m->wetLeftTarget)},
        {m->wetRightCurrent, float(m->wetRightTarget)},
        {m->panLeftACurrent, float(m->panLeftATarget)},
        {m->panLeftBCurrent, float(m->panLeftBTarget)},
        {m->panRightACurrent, float(m->panRightATarget)},
        {m->panRightBCurrent, float(m->panRightBTarget)},
        {m->panLfoRateLeftCurrent, m->panLfoRateLeftTarget},
        {m->panLfoRateRightCurrent, m->panLfoRateRightTarget},
        {m->panLfoPhaseLeftCurrent, float(m->panLfoPhaseLeftTarget)},
        {m->panLfoPhaseRightCurrent, float(m->panLfoPhaseRightTarget)},
        {m->cutoffCurrent, m->cutoffTarget},
        {m->resonanceCurrent, m->resonanceTarget},
        {m->filterLfoDepthCurrent, m->filterLfoDepthTarget},
        {m->filterLfoRateCurrent, m->filterLfoRateTarget},
        {m->filterLfoPhaseCurrent, m->filterLfoPhaseTarget},
        {m->resampleCurrent, m->resampleTarget},
    };
    int index = 0;
    for (auto c : controls) EXPECT_EQ(c.current, c.target) << "control " << index++;
    EXPECT_EQ(m->panLfoPeriodLeft, 256 * 0.5f * 5512);
    EXPECT_EQ(m->panLfoPeriodRight, 0.5f * 5512);
    EXPECT_EQ(m->filterLfoPeriod, 15 * 0.5f * 5512);
    EXPECT_EQ(m->clipGainLeft, static_cast<float>(32768 / (10813 + (32768 - 10813) * 0.02)))
        << "level 10813 from parameter 33";
}

// A level that arrives with inertia 0 changes the output at the start of the next period, not
// in the middle of the current one, and by the factor 0.01 held in single precision.
TEST(GlideThroughRender, ALevelChangesAtTheNextPeriodBoundary) {
    test::LocalMachine m;
    test::setLevels(*m, 100, 0);
    test::Frames first = test::Frames(2 * 20, 1000.0f);
    test::render(*m, first);  // frames 0..19 of the first period
    test::tick(m, {{ParamDryLeft, 30}, {ParamDryRight, 0}});
    test::Frames next = test::Frames(2 * 40, 1000.0f);
    test::render(*m, next);
    const float thirty = static_cast<float>(1000.0 * static_cast<float>(30 * double{0.01f}));
    EXPECT_NE(thirty, 300.0f) << "0.01 in single precision is not 0.01";
    for (int j = 0; j < 40; ++j) {
        EXPECT_EQ(next[2 * j], j < 20 ? 1000.0f : thirty) << j;
        EXPECT_EQ(next[2 * j + 1], j < 20 ? 1000.0f : 0.0f) << j;
    }
}

// A new resample rate glides in through the glide step, which derives the ratio.
TEST(GlideThroughRender, AResampleRateHoldsPairsFromTheNextPeriod) {
    test::LocalMachine m;
    test::wetOnly(*m);
    test::setLoop(*m, test::Side::Both, 5000);
    test::setFeedback(*m, test::Side::Both, 100);
    test::Frames ramp = test::silence(80);
    for (int j = 0; j < 80; ++j) ramp[2 * j] = ramp[2 * j + 1] = static_cast<float>(j + 1);
    test::tick(m, {{ParamResample, 22050}});
    test::render(*m, ramp);
    // Wet frame j is input j - 1, that is j. From set-up on the zero pair is held first, then
    // each odd frame's pair for two frames: 0, 1, 1, 3, 3, ...
    for (int j = 0; j < 80; ++j) {
        const float held = j % 2 == 1 ? j : std::max(j - 1, 0);
        EXPECT_EQ(ramp[2 * j], held) << j;
    }
}

// The make-up gain belongs to "Clipping" alone: a waveshaper on the other side with the same
// parameter keeps full scale at full scale.
TEST(GlideThroughRender, ClipGainAppliesOnlyInClippingMode) {
    test::LocalMachine m;
    test::wetOnly(*m);
    test::setLoop(*m, test::Side::Both, 1000);
    test::setFeedback(*m, test::Side::Both, 100);
    test::setMode(*m, test::Side::Left, DelayModeClipping, 50);
    test::setMode(*m, test::Side::Right, DelayModeWaveshaper, 50);
    test::Frames io = test::silence(3);
    io[0] = io[1] = 32768.0f;
    io[2] = io[3] = 8000.0f;
    test::render(*m, io);
    EXPECT_NEAR(io[2], 32768.0f, 0.01f);
    EXPECT_EQ(io[3], 32768.0f);
    EXPECT_NEAR(io[4], 15686.27f, 0.01f) << "knee 16384, gain 1.9607843";
}

TEST(GlideStep, EachPanPositionMovesByItsOwnStep) {
    test::LocalMachine m;
    tick(m, {{ParamPanLeftA, 50}, {ParamPanLeftB, 80}, {ParamPanRightA, 70}, {ParamPanRightB, 10}});
    glide(m);
    EXPECT_GT(m->panLeftAStep, 0.0f);
    EXPECT_EQ(m->panLeftACurrent, m->panLeftAStep);
    EXPECT_EQ(m->panLeftBCurrent, static_cast<float>(100.0 - m->panLeftBStep));
    EXPECT_EQ(m->panRightACurrent, static_cast<float>(100.0 - m->panRightAStep));
    EXPECT_EQ(m->panRightBCurrent, m->panRightBStep);
    EXPECT_EQ(m->panLeftAStep / 5, m->panRightBStep);
}

TEST(GlideStep, PanMixWithoutOscillatorFollowsTheAPositions) {
    test::LocalMachine m;
    tick(m, {{ParamInertia, 0}});
    tick(m, {{ParamPanLeftA, 30}, {ParamPanRightA, 70}, {ParamPanLeftB, 3}, {ParamPanRightB, 97}});
    m->panMixLeftStep = 0.25f;
    glide(m);
    EXPECT_EQ(m->panMixLeftTarget, 0.7f);
    EXPECT_EQ(m->panMixLeftCurrent, 0.7f);
    EXPECT_EQ(m->panMixRightTarget, 0.7f);
    EXPECT_EQ(m->panMixRightCurrent, 0.7f);
    EXPECT_EQ(m->panMixLeftStep, 0.25f);
}

TEST(GlideStep, PanOscillatorSwingsBetweenTheAAndBPositions) {
    test::LocalMachine m;
    tick(m, {{ParamInertia, 0}, {ParamPanLfoType, 2}});  // square: +1 then -1
    tick(m, {{ParamPanLeftA, 0}, {ParamPanLeftB, 100}, {ParamPanRightA, 40}, {ParamPanRightB, 40}});
    const struct {
        int degrees;
        float left;
    } cases[] = {{90, 1.0f}, {270, 0.0f}};
    for (auto c : cases) {
        tick(m, {{ParamPanLfoPhaseLeft, c.degrees}, {ParamPanLfoType, 2}});
        const float before = m->panMixLeftCurrent;
        glide(m);
        EXPECT_EQ(m->panMixLeftTarget, c.left) << c.degrees;
        EXPECT_EQ(m->panMixLeftStep, static_cast<float>((c.left - double(before)) / 40));
        EXPECT_EQ(m->panMixRightTarget, 0.4f) << "A and B equal: no swing";
        m->panMixLeftCurrent = 0.25f;  // the render moves it meanwhile
    }
    // The sine at 0 degrees reads 0: the middle.
    tick(m, {{ParamPanLfoType, 1}, {ParamPanLfoPhaseLeft, 0}});
    glide(m);
    EXPECT_EQ(m->panMixLeftTarget, 0.5f);
    EXPECT_EQ(m->panMixLeftStep, static_cast<float>((0.5 - 0.25) / 40));
    EXPECT_EQ(m->panMixLeftCurrent, 0.25f) << "with the oscillator running the render owns it";

    // The right side's positions count from the left: A 80 at +1, B 20 at -1.
    tick(m, {{ParamPanRightA, 80},
             {ParamPanRightB, 20},
             {ParamPanLfoPhaseRight, 90},
             {ParamPanLfoType, 2}});
    glide(m);
    EXPECT_EQ(m->panMixRightTarget, 0.8f);
}

// The filter oscillator reads the square table: +1 at 0 degrees, -1 at 180 degrees.
void modulate(test::LocalMachine& m, float cutoff, float depth, float degrees, int type = 1) {
    m->filterLfoType = 2;
    m->filterLfoTable = m->lfoSquare;
    m->filterType = type;
    m->cutoffTarget = m->cutoffCurrent = cutoff;
    m->filterLfoDepthTarget = m->filterLfoDepthCurrent = depth;
    m->filterLfoPhaseTarget = m->filterLfoPhaseCurrent = degrees;
    m->filterLfoPhase = 0.0f;
    glide(m);
}

void expectDesignedAt(const test::LocalMachine& m, float hz, int type = 1) {
    test::LocalMachine reference(m.master.sampleRate, m.master.samplesPerTick);
    reference->designFilter(hz, type);
    EXPECT_EQ(0, std::memcmp(m->filterCoefLeft, reference->filterCoefLeft, sizeof(float) * 5))
        << "expected a design at " << hz << " Hz";
    EXPECT_EQ(0, std::memcmp(m->filterCoefRight, reference->filterCoefRight, sizeof(float) * 5));
}

TEST(GlideStep, FilterOscillatorSwingsWithinTheHeadroom) {
    const struct {
        int rate;
        float cutoff, depth, degrees, designed;
    } cases[] = {
        {44100, 5000, 100, 0, 10000},    {44100, 5000, 100, 180, 2500},  // down goes half as far
        {44100, 5000, 50, 180, 3750},    {44100, 15000, 100, 0, 22050},  // headroom 7050
        {44100, 15000, 100, 180, 11475}, {32000, 10000, 100, 0, 16000},  // headroom 6000
        {32000, 7000, 100, 0, 14000},    {48000, 11025, 100, 0, 22050},
    };
    for (auto c : cases) {
        test::LocalMachine m(c.rate);
        modulate(m, c.cutoff, c.depth, c.degrees, 6);
        expectDesignedAt(m, c.designed, 6);
    }
}

TEST(GlideStep, FilterIsDesignedWhenItMustBe) {
    // Oscillator on, no filter type: nothing designed, the oscillator still runs.
    test::LocalMachine m;
    m->filterCoefLeft[0] = -7.0f;
    m->filterDirty = 1;
    modulate(m, 5000, 100, 0, 0);
    EXPECT_EQ(m->filterCoefLeft[0], -7.0f);
    EXPECT_EQ(m->filterDirty, 1);
    EXPECT_GT(m->filterLfoPhase, 0.0f);

    // Oscillator on with a type: a design on every run, the dirty flag left alone.
    test::LocalMachine swinging;
    swinging->filterDirty = 1;
    modulate(swinging, 5000, 100, 0, 2);
    expectDesignedAt(swinging, 10000, 2);
    EXPECT_EQ(swinging->filterDirty, 1);

    // Oscillator off: one design at the glided cutoff, then none until something moves.
    test::LocalMachine off;
    tick(off, {{ParamInertia, 0}, {ParamResonance, 1}, {ParamFilterType, 4}});
    tick(off, {{ParamCutoff, 32500}});
    glide(off);
    expectDesignedAt(off, 4172.016f, 4);
    EXPECT_EQ(off->filterDirty, 0);
    off->filterCoefLeft[0] = -7.0f;
    glide(off, 3);
    EXPECT_EQ(off->filterCoefLeft[0], -7.0f);
    tick(off, {{ParamResonance, 9}});
    glide(off);
    EXPECT_EQ(off->resonanceCurrent, 9.0f);
    EXPECT_NE(off->filterCoefLeft[0], -7.0f);
}

// A design raises a resonance below 1 to 1, and the next step glides it back toward its target:
// such a filter is designed on every step, and so follows a new sample rate without a tick. One
// at 1 or above is designed once and keeps that design however many steps follow.
TEST(GlideStep, AResonanceBelowOneIsDesignedOnEveryStep) {
    for (const int resonance : {0, 1}) {
        test::LocalMachine m(44100);
        tick(m, {{ParamInertia, 0}, {ParamResonance, resonance}, {ParamFilterType, 4}});
        glide(m);
        expectDesignedAt(m, m->cutoffCurrent, 4);
        m.master.sampleRate = 22050;
        glide(m, 2);
        if (resonance == 0) {
            expectDesignedAt(m, m->cutoffCurrent, 4);
        } else {
            test::LocalMachine before(44100);
            before->designFilter(m->cutoffCurrent, 4);
            EXPECT_EQ(0, std::memcmp(m->filterCoefLeft, before->filterCoefLeft, sizeof(float) * 5));
        }
    }
}

TEST(Oscillator, ReadsInterpolateAndWrapAtTheTableEnd) {
    test::LocalMachine m;
    const float degrees = m->degreesToLfoIndex;
    // 360 degrees reads what 0 degrees reads.
    EXPECT_EQ(oscillatorPosition(0.0f, 360.0f, degrees), 0.0f);
    EXPECT_EQ(oscillatorPosition(10.5f, 360.0f, degrees), 10.5f);
    EXPECT_EQ(oscillatorPosition(200.0f, 90.0f, degrees), 8.0f);
    EXPECT_EQ(readOscillator(m->lfoTriangle, 0.5f), 1.0f / 128);
    EXPECT_EQ(readOscillator(m->lfoTriangle, 255.5f), -1.0f / 128) << "entry 0 follows 255";
    EXPECT_EQ(readOscillator(m->lfoSquare, 127.25f), 0.5f);
    EXPECT_EQ(readOscillator(nullptr, 3.0f), 0.0f);

    // A running position just below 256 read with 360 degrees rounds to exactly 256: that
    // is position 0 again, and the read stays inside the table.
    const float last = std::nextafter(256.0f, 0.0f);
    const float p = oscillatorPosition(last, 360.0f, degrees);
    EXPECT_EQ(p, 0.0f);
    EXPECT_EQ(readOscillator(m->lfoSine, 256.0f), m->lfoSine[0]);
}

// One period's advance, with the advance worked out from the period as the machine keeps it.
float advanceOscillator(float position, float period) {
    return ::advanceOscillator(position, period, oscillatorAdvance(period));
}

TEST(Oscillator, AdvanceWrapsWithinOneCycle) {
    EXPECT_EQ(advanceOscillator(0.0f, 88192.0f), static_cast<float>(256.0 / (88192.0 / 40)));
    // 255.95 + 0.1161 would be 256.066: it continues near 0.066.
    EXPECT_NEAR(advanceOscillator(255.95f, 88192.0f), 0.0661, 1e-4);
    // Very short cycles wrap over many turns at once: 20480 positions per step.
    EXPECT_EQ(advanceOscillator(10.0f, 0.5f), 10.0f);
    // An advance that rounds up to 256 keeps that value, is read as position 0, and the next
    // advance wraps it like any other.
    const float full = advanceOscillator(std::nextafter(256.0f, 0.0f), 1.0e9f);
    EXPECT_EQ(full, 256.0f);
    float ramp[256];
    for (int i = 0; i < 256; ++i) ramp[i] = static_cast<float>(i + 1);
    EXPECT_EQ(readOscillator(ramp, oscillatorPosition(full, 360.0f, 0.7111111283302307f)), 1.0f);
    EXPECT_EQ(readOscillator(ramp, full), 1.0f);
    EXPECT_LT(advanceOscillator(full, 1.0e9f), 1.0f);

    // Periods from a host without tempo hold the oscillator, finite and in range.
    const float inf = std::numeric_limits<float>::infinity();
    for (float period : {0.0f, -88192.0f, std::nanf(""), inf, -inf}) {
        const float q = advanceOscillator(100.0f, period);
        EXPECT_TRUE(q >= 0.0f && q < 256.0f) << period;
    }
    for (float period : {1e-45f, 3.0e-6f}) {
        const float q = advanceOscillator(255.5f, period);
        EXPECT_TRUE(q >= 0.0f && q < 256.0f) << period;
    }
}

TEST(GlideStep, OscillatorsAdvanceWhetherSelectedOrNot) {
    test::LocalMachine m(44100, 5512);
    glide(m);
    const float step = static_cast<float>(256.0 / (88192.0 / 40));
    EXPECT_EQ(m->filterLfoPhase, step);
    EXPECT_EQ(m->panLfoPhaseLeft, step);
    EXPECT_EQ(m->panLfoPhaseRight, step);
    glide(m, 2205);  // past one whole cycle of 2204.8 steps
    for (float p : {m->filterLfoPhase, m->panLfoPhaseLeft}) {
        EXPECT_GE(p, 0.0f);
        EXPECT_LT(p, 1.0f);
    }
}

}  // namespace
