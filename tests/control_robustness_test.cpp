// Damaged songs and odd hosts: whatever the record holds and whatever the host reports, the
// values the render indexes with stay inside their tables and lines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "control_support.h"

namespace {

bool isLfoTable(const mi& m, const float* table) {
    for (const float* t : {m.lfoSine, m.lfoTriangle, m.lfoSquare, m.lfoRandom, m.lfoDoubleSaw})
        if (table == t) return true;
    return table == nullptr;
}

bool inCycle(float p) { return p >= 0.0f && p < 256.0f; }

TEST(ControlRobustness, RandomRecordsAndHostsKeepEveryIndexInRange) {
    std::mt19937 random(20240611);
    const int32_t rates[] = {44100, 48000, 22050, 8000, 1, 0, -44100};
    const int32_t tickLengths[] = {5512, 100, 1, 0, -5512, 100000000, INT32_MAX};
    test::LocalMachine m(44100, 5512);
    auto* bytes = reinterpret_cast<uint8_t*>(&m->globalValueRecord);
    for (int round = 0; round < 3000; ++round) {
        if (round % 50 == 0) {
            m.master.sampleRate = rates[random() % std::size(rates)];
            m.master.samplesPerTick = tickLengths[random() % std::size(tickLengths)];
        }
        // Mostly no-values, some fields anything at all.
        for (int i = 0; i < 52; ++i) bytes[i] = random() % 4 == 0 ? random() & 0xFF : 0xFF;
        m->ProcessTick();
        test::glide(m, 1 + random() % 8);

        ASSERT_TRUE(m->inputMode <= 4);
        ASSERT_TRUE(m->delayModeLeft >= 0 && m->delayModeLeft <= 5);
        ASSERT_TRUE(m->delayModeRight >= 0 && m->delayModeRight <= 5);
        ASSERT_TRUE(m->filterType >= 0 && m->filterType <= 6);
        ASSERT_TRUE(m->chorusRate >= 1 && m->chorusRate <= 200);
        ASSERT_TRUE(m->chorusDepth >= 0 && m->chorusDepth <= 100);
        ASSERT_TRUE(isLfoTable(*m, m->panLfoTable));
        ASSERT_TRUE(isLfoTable(*m, m->filterLfoTable));
        ASSERT_TRUE(isLfoTable(*m, m->chorusLfoTable));
        for (int32_t length :
             {m->delayLengthLeft, m->delayLengthRight, m->offsetLengthLeft, m->offsetLengthRight}) {
            ASSERT_GE(length, 0);
            ASSERT_LE(length, m->delayBufferFrames * 1024);
        }
        ASSERT_TRUE(inCycle(m->filterLfoPhase));
        ASSERT_TRUE(inCycle(m->panLfoPhaseLeft));
        ASSERT_TRUE(inCycle(m->panLfoPhaseRight));
        ASSERT_TRUE(m->panLfoPhaseLeftCurrent >= 0.0f && m->panLfoPhaseLeftCurrent <= 360.0f);
        ASSERT_TRUE(m->filterLfoPhaseCurrent >= 0.0f && m->filterLfoPhaseCurrent <= 360.0f);
        ASSERT_TRUE(m->resampleCurrent >= 1.0f && m->resampleCurrent <= 44100.0f);
        for (float c : m->filterCoefLeft) ASSERT_FALSE(std::isnan(c)) << round;
        for (float c : m->filterCoefRight) ASSERT_FALSE(std::isnan(c)) << round;
        for (float g : {m->feedbackGainLeft, m->dryGainRight, m->wetGainLeft, m->clipGainLeft,
                        m->resampleRatio, m->panMixLeftTarget, m->panMixRightStep})
            ASSERT_TRUE(std::isfinite(g)) << round;
    }
}

TEST(ControlRobustness, WithoutATickLengthGlidesLandAtOnce) {
    test::LocalMachine m(44100, 0);
    test::tick(m, {{ParamFeedbackLeft, 90}, {ParamCutoff, 40000}});
    test::glide(m);
    EXPECT_EQ(m->feedbackLeftCurrent, 90.0f);
    EXPECT_EQ(m->cutoffCurrent, m->cutoffTarget);
}

}  // namespace
