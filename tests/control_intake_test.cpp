// The tick: no-values, ranges, handling order, lengths, modes, oscillator choices, cutoff.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "control_support.h"

namespace {

using test::tick;

// The expected step for a glide of `distance` over `ticks` ticks of 5512 samples.
float stepOver(double distance, int ticks) {
    const float perSample = static_cast<float>(distance / (5512.0 * ticks));
    return std::fabs(static_cast<float>(perSample * 40.0));
}

TEST(ParameterIntake, ARecordOfNoValuesChangesNothing) {
    test::LocalMachine m;
    tick(m, {});
    // Every byte of the object, its type pointers included.
    const void* const object = &*m;
    std::vector<unsigned char> before(sizeof(mi));
    std::memcpy(before.data(), object, sizeof(mi));
    m->ProcessTick();
    EXPECT_EQ(std::memcmp(before.data(), object, sizeof(mi)), 0);
}

TEST(ParameterIntake, EveryFieldIsReadFromItsOwnPlace) {
    test::LocalMachine m;
    tick(m, {{ParamInputMode, 3},         {ParamDelayLeft, 32011},      {ParamDelayRight, 32012},
             {ParamOffsetLeft, 32013},    {ParamOffsetRight, 32014},    {ParamFeedbackLeft, 11},
             {ParamFeedbackRight, 12},    {ParamModeLeft, 4},           {ParamModeRight, 2},
             {ParamModeParamLeft, 21},    {ParamModeParamRight, 22},    {ParamDryLeft, 301},
             {ParamDryRight, 302},        {ParamWetLeft, 303},          {ParamWetRight, 304},
             {ParamPanLeftA, 41},         {ParamPanLeftB, 42},          {ParamPanRightA, 43},
             {ParamPanRightB, 44},        {ParamPanLfoRateLeft, 251},   {ParamPanLfoRateRight, 252},
             {ParamPanLfoPhaseLeft, 351}, {ParamPanLfoPhaseRight, 352}, {ParamPanLfoType, 4},
             {ParamFilterType, 5},        {ParamCutoff, 65000},         {ParamResonance, 61},
             {ParamFilterLfoType, 3},     {ParamFilterLfoDepth, 62},    {ParamFilterLfoRate, 253},
             {ParamFilterLfoPhase, 353},  {ParamChorusLfoType, 3},      {ParamChorusRate, 199},
             {ParamChorusDepth, 63},      {ParamResample, 44000},       {ParamInertia, 64}});
    EXPECT_EQ(m->inputMode, 3);
    EXPECT_EQ(m->delayLengthLeft, 11 * 1024);
    EXPECT_EQ(m->delayLengthRight, 12 * 1024);
    EXPECT_EQ(m->offsetLengthLeft, 13 * 1024);
    EXPECT_EQ(m->offsetLengthRight, 14 * 1024);
    EXPECT_EQ(m->feedbackLeftTarget, 11);
    EXPECT_EQ(m->feedbackRightTarget, 12);
    EXPECT_EQ(m->delayModeLeft, 4);
    EXPECT_EQ(m->delayModeRight, 2);
    EXPECT_EQ(m->modeParamLeft, 21);
    EXPECT_EQ(m->modeParamRight, 22);
    EXPECT_EQ(m->modeValueLeftTarget, 20);  // waveshaper: parameter - 1
    EXPECT_EQ(m->dryLeftTarget, 301);
    EXPECT_EQ(m->dryRightTarget, 302);
    EXPECT_EQ(m->wetLeftTarget, 303);
    EXPECT_EQ(m->wetRightTarget, 304);
    EXPECT_EQ(m->panLeftATarget, 41);
    EXPECT_EQ(m->panLeftBTarget, 42);
    EXPECT_EQ(m->panRightATarget, 43);
    EXPECT_EQ(m->panRightBTarget, 44);
    EXPECT_EQ(m->panLfoRateLeftTarget, 251.0f);
    EXPECT_EQ(m->panLfoRateRightTarget, 252.0f);
    EXPECT_EQ(m->panLfoPhaseLeftTarget, 351);
    EXPECT_EQ(m->panLfoPhaseRightTarget, 352);
    EXPECT_EQ(m->panLfoType, 4);
    EXPECT_EQ(m->panLfoTable, m->lfoDoubleSaw);
    EXPECT_EQ(m->filterType, 5);
    EXPECT_EQ(m->filterDirty, 1);
    EXPECT_EQ(m->cutoffTarget, 22050.0f);
    EXPECT_EQ(m->resonanceTarget, 61.0f);
    EXPECT_EQ(m->filterLfoType, 3);
    EXPECT_EQ(m->filterLfoTable, m->lfoTriangle);
    EXPECT_EQ(m->filterLfoDepthTarget, 62.0f);
    EXPECT_EQ(m->filterLfoRateTarget, 253.0f);
    EXPECT_EQ(m->filterLfoPhaseTarget, 353.0f);
    EXPECT_EQ(m->chorusLfoType, 3);
    EXPECT_EQ(m->chorusLfoTable, m->lfoRandom);
    EXPECT_EQ(m->chorusRate, 199);
    EXPECT_EQ(m->chorusDepth, 63);
    EXPECT_EQ(m->resampleTarget, 44000.0f);
    EXPECT_EQ(m->inertia, 64);
}

TEST(ParameterIntake, ValuesOutsideTheRangesAreBroughtIntoThem) {
    test::LocalMachine m;
    tick(m, {{ParamInputMode, 254},
             {ParamDelayLeft, 0},
             {ParamModeLeft, 200},
             {ParamModeParamLeft, 0},
             {ParamDryLeft, 65534},
             {ParamPanLeftA, 101},
             {ParamPanLfoType, 9},
             {ParamPanLfoRateLeft, 0},
             {ParamPanLfoPhaseLeft, 4000},
             {ParamFilterType, 7},
             {ParamCutoff, 65534},
             {ParamFilterLfoType, 6},
             {ParamChorusLfoType, 4},
             {ParamChorusRate, 0},
             {ParamResample, 50000},
             {ParamInertia, 65}});
    EXPECT_EQ(m->inputMode, 4);
    EXPECT_EQ(m->delayLengthLeft, 5 * 1024);  // value 1: 5512 / 1000 samples
    EXPECT_EQ(m->delayModeLeft, 5);
    EXPECT_EQ(m->modeParamLeft, 1);
    EXPECT_EQ(m->modeValueLeftTarget, 65536);
    EXPECT_EQ(m->dryLeftTarget, 400);
    EXPECT_EQ(m->panLeftATarget, 100);
    EXPECT_EQ(m->panLfoTable, m->lfoRandom);
    EXPECT_EQ(m->panLfoRateLeftTarget, 1.0f);
    EXPECT_EQ(m->panLfoPhaseLeftTarget, 360);
    EXPECT_EQ(m->filterType, 6);
    EXPECT_EQ(m->cutoffTarget, 22050.0f);
    EXPECT_EQ(m->filterLfoTable, m->lfoRandom);
    EXPECT_EQ(m->chorusLfoTable, m->lfoRandom);
    EXPECT_EQ(m->chorusRate, 1);
    EXPECT_EQ(m->resampleTarget, 44100.0f);
    EXPECT_EQ(m->inertia, 64);
}

TEST(ParameterIntake, NewInertiaReachesOnlyTheControlsHandledAfterIt) {
    test::LocalMachine m;  // inertia 1 from set-up
    tick(m, {{ParamInertia, 0},
             {ParamFeedbackLeft, 80},
             {ParamDryLeft, 200},
             {ParamResonance, 40},
             {ParamFilterLfoRate, 64}});
    EXPECT_EQ(m->feedbackLeftStep, 30.0f);
    EXPECT_EQ(m->resonanceStep, 40.0f);
    EXPECT_EQ(m->dryLeftStep, stepOver(100, 1));
    EXPECT_EQ(m->filterLfoRateStep, stepOver(32, 1));
    // The current values are left for the glide step.
    EXPECT_EQ(m->feedbackLeftCurrent, 50.0f);

    test::LocalMachine slow;
    tick(slow, {{ParamFeedbackLeft, 80}});
    EXPECT_EQ(slow->feedbackLeftStep, stepOver(30, 1));
    EXPECT_NEAR(slow->feedbackLeftStep, 0.2177, 1e-4);
    tick(slow, {{ParamInertia, 4}, {ParamFeedbackRight, 10}});
    EXPECT_EQ(slow->feedbackRightStep, stepOver(40, 4));
    // The step is never negative: the glide step finds the direction itself.
    EXPECT_GT(slow->feedbackRightStep, 0.0f);
}

TEST(ParameterIntake, DelayValuesBecomeLengthsAndRestartTheirLines) {
    test::LocalMachine m(44100, 5512);
    m->delayPosLeft = m->delayPosRight = m->offsetPosLeft = m->offsetPosRight = 777;
    tick(m, {{ParamDelayLeft, 4000}, {ParamDelayRight, 32001}, {ParamOffsetLeft, 65534}});
    EXPECT_EQ(m->delayLengthLeft, 22577152);  // 22048 samples
    EXPECT_EQ(m->delayLengthRight, 1024);
    EXPECT_EQ(m->offsetLengthLeft, 33534 * 1024);
    EXPECT_EQ(m->delayPosLeft, 0);
    EXPECT_EQ(m->delayPosRight, 0);
    EXPECT_EQ(m->offsetPosLeft, 0);
    EXPECT_EQ(m->offsetPosRight, 777);  // nothing arrived for it

    tick(m, {{ParamOffsetRight, 0}});
    EXPECT_EQ(m->offsetLengthRight, 0);
    EXPECT_EQ(m->offsetPosRight, 0);

    // 192000 samples asked for, four seconds held.
    m.master.samplesPerTick = 6000;
    tick(m, {{ParamDelayLeft, 32000}});
    EXPECT_EQ(m->delayLengthLeft, 176400 * 1024);
    // At very slow tempos the product no longer fits in 32 bits.
    m.master.samplesPerTick = 100000000;
    tick(m, {{ParamDelayLeft, 32000}, {ParamDelayRight, 21}});
    EXPECT_EQ(m->delayLengthLeft, 176400 * 1024);
    EXPECT_EQ(m->delayLengthRight, 176400 * 1024);
    // Under a sample per delay value: no delay at all.
    m.master.samplesPerTick = 500;
    tick(m, {{ParamDelayLeft, 1}});
    EXPECT_EQ(m->delayLengthLeft, 0);
    // A change of tempo alone changes no length.
    m.master.samplesPerTick = 5512;
    tick(m, {});
    EXPECT_EQ(m->delayLengthRight, 176400 * 1024);
}

TEST(ParameterIntake, ModeValuesAndClipGains) {
    test::LocalMachine m;
    tick(m, {{ParamModeParamLeft, 50}});  // mode 0: only the parameter is kept
    EXPECT_EQ(m->modeParamLeft, 50);
    EXPECT_EQ(m->modeValueLeftTarget, 1);
    EXPECT_EQ(m->modeValueLeftStep, 0.0f);

    tick(m, {{ParamModeLeft, 3}});
    EXPECT_EQ(m->modeValueLeftTarget, 16384);
    EXPECT_EQ(m->modeValueLeftCurrent, 16384.0f);
    EXPECT_EQ(m->clipGainLeft, 1.9607843f);
    EXPECT_EQ(m->modeValueLeftStep, 0.0f);  // a snap, not a glide

    tick(m, {{ParamModeParamLeft, 1}});  // in mode 3: a glide toward the new level
    EXPECT_EQ(m->modeValueLeftTarget, 327);
    EXPECT_EQ(m->modeValueLeftStep, stepOver(327 - 16384, 1));
    EXPECT_EQ(m->modeValueLeftCurrent, 16384.0f);

    const struct {
        int mode, param, value;
        float gain;
    } cases[] = {{3, 100, 32768, 1.0f}, {3, 1, 327, 33.579964f}, {5, 1, 65536, 0}, {5, 7, 32768, 0},
                 {5, 50, 256, 0},       {5, 100, 1, 0},          {4, 1, 0, 0},     {4, 100, 99, 0}};
    for (auto c : cases) {
        test::LocalMachine r;
        r->clipGainRight = 0.0f;
        tick(r, {{ParamModeParamRight, c.param}});
        tick(r, {{ParamModeRight, c.mode}});
        EXPECT_EQ(r->modeValueRightTarget, c.value) << c.mode << "/" << c.param;
        EXPECT_EQ(r->modeValueRightCurrent, static_cast<float>(c.value));
        EXPECT_EQ(r->clipGainRight, c.gain) << c.mode << "/" << c.param;
    }

    // Back to a mode without a value: the target stays, the current value snaps to it.
    tick(m, {{ParamModeLeft, 1}});
    EXPECT_EQ(m->modeValueLeftTarget, 327);
    EXPECT_EQ(m->modeValueLeftCurrent, 327.0f);
}

TEST(ParameterIntake, ModeParameterIsEvaluatedInTheModeBeforeAModeChange) {
    test::LocalMachine m;
    // The parameter arrives in mode 0 and is only kept; the new mode 3 then uses it.
    tick(m, {{ParamModeLeft, 3}, {ParamModeParamLeft, 50}});
    EXPECT_EQ(m->modeValueLeftCurrent, 16384.0f);
    EXPECT_EQ(m->modeValueLeftStep, 0.0f);
    // Mode 3 sees parameter 100 (target 32768, with its step); the new mode 5 then
    // recomputes from parameter 100 and snaps, keeping that step.
    tick(m, {{ParamModeParamLeft, 100}, {ParamModeLeft, 5}});
    EXPECT_EQ(m->modeValueLeftTarget, 1);
    EXPECT_EQ(m->modeValueLeftCurrent, 1.0f);
    EXPECT_EQ(m->modeValueLeftStep, stepOver(32768 - 16384, 1));
}

TEST(ParameterIntake, CutoffCurve) {
    const struct {
        int rate, value;
        float hz;
    } cases[] = {{44100, 32500, 4172.016f}, {44100, 65000, 22050.0f}, {48000, 65000, 22050.0f},
                 {22050, 65000, 11025.0f},  {32000, 65000, 16000.0f}, {44100, 0, 0.0f},
                 {44100, 19, 0.0f}};
    for (auto c : cases) {
        test::LocalMachine m(c.rate);
        tick(m, {{ParamCutoff, c.value}});
        EXPECT_EQ(m->cutoffTarget, c.hz) << c.rate << " " << c.value;
        EXPECT_FALSE(std::signbit(m->cutoffTarget));
    }
    test::LocalMachine m;
    tick(m, {{ParamCutoff, 20}});
    EXPECT_GT(m->cutoffTarget, 0.0f);
    EXPECT_LT(m->cutoffTarget, 0.01f);
    EXPECT_EQ(m->cutoffStep, stepOver(double(m->cutoffTarget) - 22050.0, 1));
}

TEST(ParameterIntake, PanOscillatorChoice) {
    test::LocalMachine m;
    m->panLfoPhaseLeft = 10.0f;
    m->panLfoPhaseRight = 20.0f;
    // The shape sees the rate targets from before this tick.
    tick(m, {{ParamPanLfoType, 2}, {ParamPanLfoRateLeft, 64}});
    EXPECT_EQ(m->panLfoTable, m->lfoSquare);
    EXPECT_EQ(m->panLfoPhaseLeft, 0.0f);
    EXPECT_EQ(m->panLfoPhaseRight, 0.0f);
    EXPECT_EQ(m->panLfoPeriodLeft, 88192.0f);
    EXPECT_EQ(m->panLfoRateLeftCurrent, 32.0f);
    EXPECT_EQ(m->panLfoRateLeftTarget, 64.0f);

    // A repeated shape restarts the oscillator and ends the rate glide.
    m->panLfoPhaseLeft = 10.0f;
    tick(m, {{ParamPanLfoType, 2}});
    EXPECT_EQ(m->panLfoPhaseLeft, 0.0f);
    EXPECT_EQ(m->panLfoRateLeftCurrent, 64.0f);

    // Off: only the table goes.
    m->panLfoPhaseLeft = 10.0f;
    tick(m, {{ParamPanLfoType, 0}, {ParamPanLfoRateRight, 8}});
    EXPECT_EQ(m->panLfoTable, nullptr);
    EXPECT_EQ(m->panLfoType, 0);
    EXPECT_EQ(m->panLfoPhaseLeft, 10.0f);
    EXPECT_EQ(m->panLfoRateRightCurrent, 32.0f);
}

TEST(ParameterIntake, FilterOscillatorChoice) {
    test::LocalMachine m;
    tick(m, {{ParamFilterLfoType, 2}, {ParamFilterLfoRate, 8}});
    EXPECT_EQ(m->filterLfoTable, m->lfoSquare);
    EXPECT_EQ(m->filterLfoPeriod, 88192.0f);
    m->filterLfoPhase = 3.0f;
    tick(m, {{ParamFilterLfoType, 1}});
    EXPECT_EQ(m->filterLfoTable, m->lfoSine);
    EXPECT_EQ(m->filterLfoPhase, 0.0f);
    EXPECT_EQ(m->filterLfoRateCurrent, 8.0f);
    EXPECT_EQ(m->filterLfoPeriod, 22048.0f);

    // Off, with a new cutoff and type in the same tick: designed at the cutoff target and
    // with the type from before this tick.
    tick(m, {{ParamFilterType, 2}});
    test::LocalMachine reference;
    reference->designFilter(22050.0f, 2);
    tick(m, {{ParamFilterLfoType, 0}, {ParamCutoff, 32500}, {ParamFilterType, 1}});
    EXPECT_EQ(m->filterLfoTable, nullptr);
    EXPECT_EQ(0, std::memcmp(m->filterCoefLeft, reference->filterCoefLeft, sizeof(float) * 5));
    EXPECT_EQ(m->cutoffTarget, 4172.016f);
    EXPECT_EQ(m->filterType, 1);
    EXPECT_EQ(m->filterLfoPhase, 0.0f);
}

TEST(ParameterIntake, ChorusOscillatorChoice) {
    test::LocalMachine m;
    const struct {
        int code;
        const float* table;
    } cases[] = {{1, m->lfoSine}, {2, m->lfoTriangle}, {3, m->lfoRandom}, {0, nullptr}};
    for (auto c : cases) {
        m->chorusLfoPhase = 5.0f;
        tick(m, {{ParamChorusLfoType, c.code}});
        EXPECT_EQ(m->chorusLfoTable, c.table) << c.code;
        EXPECT_EQ(m->chorusLfoPhase, 0.0f) << c.code;
    }
}

}  // namespace
