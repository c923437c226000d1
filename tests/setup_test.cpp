// Start values and lookup tables after set-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render_support.h"

namespace {

TEST(SetUp, TablesHoldTheirBreakpoints) {
    test::LocalMachine m;
    EXPECT_EQ(m->sineTable[0], 0.0f);
    EXPECT_EQ(m->sineTable[16384], 1.0f);
    EXPECT_EQ(m->sineTable[32768], 1.2246468525851679e-16f) << "sin of the double pi, not 0";
    EXPECT_EQ(m->lfoSine[64], 1.0f);
    EXPECT_EQ(m->lfoSquare[127], 1.0f);
    EXPECT_EQ(m->lfoSquare[128], -1.0f);
    EXPECT_EQ(m->lfoDoubleSaw[127], 127.0f / 128.0f);
    EXPECT_EQ(m->lfoDoubleSaw[128], 0.0f);
    EXPECT_TRUE(std::signbit(m->lfoDoubleSaw[128]));
    EXPECT_EQ(m->lfoTriangle[63], 63.0f / 64.0f);
    EXPECT_EQ(m->lfoTriangle[64], 1.0f);
    EXPECT_EQ(m->lfoTriangle[192], -1.0f);
    EXPECT_EQ(m->lfoTriangle[255], -1.0f / 64.0f);
    EXPECT_EQ(m->degreesToLfoIndex, 0.7111111283302307f);
    EXPECT_EQ(m->degreesToLfoIndex * 360.0f, 256.0f);
}

TEST(SetUp, RandomTableIsTheSameEverywhere) {
    test::LocalMachine a;
    const float first[] = {-0.9976806f, -0.5288553f, 0.2963042f, -0.8512528f};
    for (int j = 0; j < 4; ++j) EXPECT_FLOAT_EQ(a->lfoRandom[j], first[j]);
    EXPECT_EQ(a->lfoRandom[0], static_cast<float>(2.0 * 38 / 32767 - 1));
    EXPECT_EQ(a->lfoRandom[254], static_cast<float>(2.0 * 11676 / 32767 - 1));
    EXPECT_EQ(a->lfoRandom[255], static_cast<float>(2.0 * 24497 / 32767 - 1));
    test::LocalMachine b(48000, 1000);
    EXPECT_TRUE(std::equal(std::begin(a->lfoRandom), std::end(a->lfoRandom), b->lfoRandom));
}

TEST(SetUp, SampleRateValues) {
    const struct {
        int rate;
        float cutoff;
    } cases[] = {{44100, 22050.0f}, {48000, 22050.0f}, {32000, 16000.0f}, {22050, 11025.0f}};
    for (auto c : cases) {
        test::LocalMachine m(c.rate, 5512);
        EXPECT_EQ(m->cutoffTarget, c.cutoff) << c.rate;
        EXPECT_EQ(m->cutoffCurrent, c.cutoff) << c.rate;
        EXPECT_EQ(m->delayBufferFrames, 4 * c.rate);
    }
    test::LocalMachine m(44100, 5512);
    EXPECT_EQ(m->filterLfoPeriod, 88192.0f);
    EXPECT_EQ(m->panLfoPeriodLeft, 88192.0f);
    EXPECT_EQ(m->panLfoPeriodRight, 88192.0f);
    EXPECT_TRUE(std::all_of(m->delayBufferA, m->delayBufferA + 2 * 176400,
                            [](float v) { return v == 0.0f; }));
    EXPECT_TRUE(std::all_of(m->delayBufferB, m->delayBufferB + 2 * 176400,
                            [](float v) { return v == 0.0f; }));
}

TEST(SetUp, StartValuesMatchTheParameterDefaults) {
    test::LocalMachine m(44100, 5512);
    EXPECT_EQ(m->resampleRatio, 1.0f);
    EXPECT_EQ(m->feedbackGainLeft, 0.5f);
    EXPECT_EQ(m->dryGainLeft, 1.0f);
    EXPECT_EQ(m->wetGainRight, 1.0f);
    EXPECT_EQ(m->periodRemaining, 40);
    EXPECT_EQ(m->periodOpen, 0);
    EXPECT_EQ(m->panMixRightCurrent, 1.0f);
    // The lengths the defaults give, and a filter that passes the signal unchanged.
    EXPECT_EQ(m->delayLengthLeft, 22048 * 1024);
    EXPECT_EQ(m->delayLengthRight, 22048 * 1024);
    EXPECT_EQ(m->offsetLengthLeft, 0);
    EXPECT_EQ(m->filterCoefLeft[0], 1.0f);
    EXPECT_EQ(m->filterCoefRight[4], 0.0f);
}

TEST(SetUp, NoSampleRateStillGivesUsableBuffers) {
    test::LocalMachine m(0, 5512);
    EXPECT_EQ(m->delayBufferFrames, 1);
    EXPECT_NE(m->delayBufferA, nullptr);
    EXPECT_EQ(m->cutoffTarget, 0.0f);
    test::LocalMachine negative(-44100, -5);
    EXPECT_EQ(negative->delayBufferFrames, 1);
    EXPECT_EQ(negative->delayLengthLeft, 0);
}

// A host may set a machine up again (after a change of sample rate, say): it starts afresh at
// the new rate, with buffers of the new size, and gives the old ones back (the leak checker of
// the sanitizer build sees any that are not).
TEST(SetUp, ASecondSetUpStartsAfreshAndKeepsNoOldBuffer) {
    test::LocalMachine again(44100, 5512), fresh(22050, 5512);
    test::Frames noise = test::silence(3000);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<float>((i * 7919) % 2001) - 1000;
    // Loops of 100 samples, so that anything left in the lines would be heard.
    const test::Values shortLoops = {{ParamDelayLeft, 32100}, {ParamDelayRight, 32100}};
    test::tick(again, shortLoops);
    test::Frames first = noise;
    again->RenderStereo(first.data(), 256, 3);
    again.master.sampleRate = 22050;
    again->setUp();
    EXPECT_EQ(again->delayBufferFrames, 4 * 22050);
    test::tick(again, shortLoops);
    test::tick(fresh, shortLoops);

    test::Frames a = noise, b = noise;
    for (int32_t done = 0; done < 3000; done += 250) {
        again->RenderStereo(a.data() + 2 * done, 250, 3);
        fresh->RenderStereo(b.data() + 2 * done, 250, 3);
    }
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float)));
}

TEST(SetUp, DestroyingAMachineThatWasNeverSetUpIsSafe) {
    CMachineInterface* m = CreateMachine();
    auto* machine = static_cast<mi*>(m);
    EXPECT_EQ(machine->delayBufferA, nullptr);
    EXPECT_EQ(machine->delayPosLeft, 0);
    m->Destroy(1);
}

}  // namespace
