// The texts shown beside the parameter controls, and the one buffer they share.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <string>

#include "display/name_lists.h"
#include "machine/parameters.h"
#include "test_support.h"

namespace {

std::string text(const test::LocalMachine& m, int index, int value) {
    const char* t = m->ValueText(index, value);
    return t != nullptr ? t : "(null)";
}

// Texts that depend on nothing but the value.
TEST(ValueText, ValueOnlyTexts) {
    const struct {
        int index, value;
        const char* text;
    } cases[] = {
        {ParamDelayLeft, 1, "0.001 Tick"},
        {ParamDelayLeft, 4000, "4.000 Tick"},
        {ParamDelayRight, 32000, "32.000 Tick"},
        {ParamDelayRight, 32001, "1 Smp"},
        {ParamOffsetLeft, 65534, "33534 Smp"},
        {ParamOffsetRight, 0, "0.000 Tick"},
        {ParamWetLeft, 0, "-inf.dB (0%)"},
        {ParamWetLeft, 1, "-40.0dB(1%)"},
        {ParamWetRight, 99, "-0.1dB(99%)"},
        {ParamDryLeft, 141, "3.0dB(141%)"},
        {ParamDryRight, 50, "-6.0dB(50%)"},
        {ParamWetRight, 400, "12.0dB(400%)"},
        {ParamPanLeftA, 0, "100:0"},
        {ParamPanLeftB, 100, "0:100"},
        {ParamPanRightA, 30, "70:30"},
        {ParamPanLfoRateLeft, 1, "0.5 Tick"},
        {ParamPanLfoRateRight, 32, "16.0 Tick"},
        {ParamFilterLfoRate, 256, "128.0 Tick"},
        {ParamChorusRate, 1, "0.1Hz"},
        {ParamChorusRate, 200, "20.0Hz"},
        {ParamPanLfoPhaseLeft, 360, "360\xB0"},
        {ParamFilterLfoPhase, 0, "0\xB0"},
        {ParamFeedbackLeft, 50, "50%"},
        {ParamChorusDepth, 0, "0%"},
        {ParamResample, 44100, "Original"},
        {ParamResample, 44099, "44099Hz"},
        {ParamResample, 1, "1Hz"},
        {ParamInertia, 0, "0 Tick"},
        {ParamInputMode, 2, "InvertedL/R"},
        {ParamModeRight, 5, "Bitcrusher"},
        {ParamPanLfoType, 2, "Square"},
        {ParamFilterLfoType, 4, "2-Saw"},
        {ParamFilterType, 6, "BP/BR"},
        // The chorus runs the triangle table for 2, and its text says so.
        {ParamChorusLfoType, 2, "Tri"},
        {ParamChorusLfoType, 3, "Random"},
        // Beyond a name list the raw value shows, never a read past the list.
        {ParamChorusLfoType, 4, "4"},
        {ParamInputMode, 5, "5"},
        {ParamFilterType, -1, "-1"},
        {ParamModeLeft, INT_MIN, "-2147483648"},
    };
    test::LocalMachine m;
    for (const auto& c : cases) EXPECT_EQ(text(m, c.index, c.value), c.text) << c.index;
}

TEST(ValueText, CutoffFollowsTheSampleRate) {
    for (int rate : {44100, 96000}) {
        test::LocalMachine m(rate);
        EXPECT_EQ(text(m, ParamCutoff, 0), "0Hz") << rate;
        EXPECT_EQ(text(m, ParamCutoff, 32500), "4172Hz") << rate;
        EXPECT_EQ(text(m, ParamCutoff, 65000), "22050Hz") << rate;
    }
    test::LocalMachine m(32000);
    EXPECT_EQ(text(m, ParamCutoff, 65000), "16000Hz");
    // The rate is read at every call, not kept from set-up.
    m.master.sampleRate = 44100;
    EXPECT_EQ(text(m, ParamCutoff, 65000), "22050Hz");
}

TEST(ValueText, ModeParameterFollowsTheSidesMode) {
    test::LocalMachine m;
    m->delayModeLeft = 5;
    EXPECT_EQ(text(m, ParamModeParamLeft, 100), "100 (Orig)");
    EXPECT_EQ(text(m, ParamModeParamLeft, 99), "99 (15 Bit)");
    EXPECT_EQ(text(m, ParamModeParamLeft, 7), "7 (1 Bit)");
    EXPECT_EQ(text(m, ParamModeParamLeft, 6), "6 (0 Bit)");
    EXPECT_EQ(text(m, ParamModeParamRight, 100), "(notused)") << "the right side is still Normal";

    m->delayModeRight = 3;
    EXPECT_EQ(text(m, ParamModeParamRight, 100), "100 (32768)");
    EXPECT_EQ(text(m, ParamModeParamRight, 50), "50 (16384)");
    EXPECT_EQ(text(m, ParamModeParamRight, 1), "1 (327)");
    EXPECT_EQ(text(m, ParamModeParamLeft, 50), "50 (8 Bit)") << "the left side is still Bitcrusher";

    m->delayModeLeft = 4;
    EXPECT_EQ(text(m, ParamModeParamLeft, 50), "50 (%)");
    for (int mode : {0, 1, 2}) {
        m->delayModeLeft = mode;
        for (int value : {1, 50, 100}) EXPECT_EQ(text(m, ParamModeParamLeft, value), "(notused)");
    }
}

// The host asks again after every tick: a new mode changes the text of an unchanged value.
TEST(ValueText, ModeParameterTextChangesWithATickThatChangesTheMode) {
    core::HostedMachine hosted(test::pluginLibrary().code(), 44100, 5512);
    core::ParameterRecord record(*test::pluginLibrary().info());
    EXPECT_STREQ(hosted.valueText(ParamModeParamLeft, 50), "(notused)");
    record.set(ParamModeLeft, 3);
    hosted.tick(record);
    EXPECT_STREQ(hosted.valueText(ParamModeParamLeft, 50), "50 (16384)");
    record.clear();
    record.set(ParamModeLeft, 5);
    hosted.tick(record);
    EXPECT_STREQ(hosted.valueText(ParamModeParamLeft, 50), "50 (8 Bit)");
    EXPECT_STREQ(hosted.valueText(ParamModeParamRight, 50), "(notused)");
}

TEST(ValueText, BeforeSetUpReadsAsModeNormalAtTheReferenceRate) {
    mi* m = static_cast<mi*>(CreateMachine());
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->masterInfo, nullptr);
    EXPECT_STREQ(m->ValueText(ParamModeParamLeft, 50), "(notused)");
    EXPECT_STREQ(m->ValueText(ParamModeParamRight, 100), "(notused)");
    EXPECT_STREQ(m->ValueText(ParamCutoff, 32500), "4172Hz");
    EXPECT_STREQ(m->ValueText(ParamCutoff, 65000), "22050Hz");
    m->Destroy(1);
}

TEST(ValueText, NameListsCoverExactlyTheEnumeratedRanges) {
    const int enumerated[] = {ParamInputMode,    ParamModeLeft,   ParamModeRight,
                              ParamPanLfoType,   ParamFilterType, ParamFilterLfoType,
                              ParamChorusLfoType};
    for (int index = 0; index < kParameterCount; ++index) {
        const bool named =
            std::find(std::begin(enumerated), std::end(enumerated), index) != std::end(enumerated);
        const auto names = parameterValueNames(index);
        if (!named) {
            EXPECT_TRUE(names.empty()) << index;
            continue;
        }
        EXPECT_EQ(kParameters[index].minValue, 0) << index;
        EXPECT_EQ(names.size(), static_cast<size_t>(kParameters[index].maxValue) + 1) << index;
    }
    EXPECT_TRUE(parameterValueNames(-1).empty());
    EXPECT_TRUE(parameterValueNames(kParameterCount).empty());
}

TEST(ValueText, IndexOutsideTheTableLeavesTheBufferAlone) {
    test::LocalMachine m;
    const char* before = m->ValueText(ParamInertia, 64);
    for (int index : {36, -1, INT_MIN, INT_MAX}) EXPECT_EQ(m->ValueText(index, 1), nullptr);
    EXPECT_STREQ(before, "64 Tick");
}

TEST(ValueText, OneBufferForEveryMachineOfTheLibrary) {
    const auto& library = test::pluginLibrary();
    core::HostedMachine a(library.code(), 44100, 5512), b(library.code(), 48000, 1000);
    const char* first = a.valueText(ParamInertia, 3);
    EXPECT_STREQ(first, "3 Tick");
    const char* second = b.valueText(ParamResample, 1);
    EXPECT_EQ(second, first);
    EXPECT_STREQ(first, "1Hz") << "the second text replaces the first";
    EXPECT_EQ(a.valueText(ParamFeedbackLeft, 1), first);
}

// Every value of every parameter's range gives a short text; no value at all writes past the
// buffer or needs undefined arithmetic (run under the sanitizers to see the latter).
TEST(ValueText, EveryValueFitsTheBuffer) {
    test::LocalMachine m;
    for (int mode = 0; mode <= 5; ++mode) {
        m->delayModeLeft = m->delayModeRight = mode;
        for (int index = 0; index < kParameterCount; ++index) {
            const ParameterDescriptor& p = kParameters[index];
            for (int value = p.minValue; value <= p.maxValue; ++value) {
                const char* t = m->ValueText(index, value);
                ASSERT_NE(t, nullptr);
                ASSERT_LE(std::strlen(t), 12u) << index << " " << value << " " << t;
            }
            for (int value : {INT_MIN, INT_MIN + 1, -65535, -1, 65535, 1 << 30, INT_MAX}) {
                const char* t = m->ValueText(index, value);
                ASSERT_NE(t, nullptr);
                ASSERT_LT(std::strlen(t), 16u) << index << " " << value;
            }
        }
    }
    for (int rate : {0, -1, INT_MIN, INT_MAX}) {
        m.master.sampleRate = rate;
        for (int value : {0, 65000, INT_MIN, INT_MAX})
            ASSERT_LT(std::strlen(m->ValueText(ParamCutoff, value)), 16u) << rate << " " << value;
    }
}

}  // namespace
