// Values as a musician types them, read through the plug-in library as the tool loads it.
#ifdef TARVO_CLI_PATH

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/text_file.h"
#include "machine/parameters.h"
#include "offline/plugin_library.h"
#include "settings/assignments.h"
#include "settings/parameter_table.h"
#include "settings/preset_file.h"
#include "settings/settings_error.h"
#include "settings/start_settings.h"
#include "settings/tempo.h"
#include "settings/value_reader.h"
#include "settings/value_texts.h"

namespace {

class TypedValues : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        library_ = new offline::PluginLibrary(TARVO_PLUGIN_PATH);
        table_ = new settings::ParameterTable(library_->code());
        texts_ = new settings::ValueTexts(library_->code());
    }
    static void TearDownTestSuite() {
        delete texts_;
        delete table_;
        delete library_;
    }

    // The raw value and whether it is exact, at a session of this rate and tempo.
    static settings::ReadValue read(int index, const std::string& value, int32_t rate = 44100,
                                    double bpm = 126.0, int tpb = 4, int mode = -1) {
        const settings::ValueContext context{rate, settings::samplesPerTick(rate, bpm, tpb), tpb};
        return settings::readValue((*table_)[index], value, context, mode, *texts_);
    }
    static std::string failure(int index, const std::string& value, int32_t rate = 44100,
                               double bpm = 126.0) {
        try {
            read(index, value, rate, bpm);
        } catch (const settings::SettingsError& e) {
            return e.what();
        }
        return "(read)";
    }

    static offline::PluginLibrary* library_;
    static settings::ParameterTable* table_;
    static settings::ValueTexts* texts_;
};

offline::PluginLibrary* TypedValues::library_ = nullptr;
settings::ParameterTable* TypedValues::table_ = nullptr;
settings::ValueTexts* TypedValues::texts_ = nullptr;

// Every text the machine shows reads back to a raw value that shows the same text, for every
// parameter and raw value, at both rates the cutoff texts differ by, in every delay mode.
TEST_F(TypedValues, EveryTextReadsBackToItsOwnText) {
    for (const int32_t rate : {44100, 22050}) {
        for (const settings::ParameterInfo& p : table_->parameters()) {
            const bool followsMode =
                p.index == ParamModeParamLeft || p.index == ParamModeParamRight;
            for (int mode = followsMode ? 0 : -1; mode <= (followsMode ? 5 : -1); ++mode) {
                const settings::TextTable& t =
                    texts_->table(p.index, p.minValue, p.maxValue, rate, mode);
                const settings::ValueContext context{rate, 5512, 4};
                int failures = 0;
                for (int raw = p.minValue; raw <= p.maxValue && failures < 5; ++raw) {
                    const std::string& text = t.text(raw);
                    const settings::ReadValue back =
                        settings::readValue(p, text, context, mode, *texts_);
                    if (t.text(back.raw) != text || !back.exact) {
                        ++failures;
                        ADD_FAILURE() << p.name << " raw " << raw << " '" << text << "' at " << rate
                                      << " Hz, mode " << mode << " reads as " << back.raw << " '"
                                      << t.text(back.raw) << "'";
                    }
                }
            }
        }
    }
}

TEST_F(TypedValues, TextsIgnoreCaseAndBlanksAndTakeTheSmallestRawValue) {
    EXPECT_EQ(read(ParamWetLeft, "-6.0 DB (50 %)").raw, 50);
    EXPECT_EQ(read(ParamCutoff, "4172hz").raw, 32500);
    EXPECT_EQ(read(ParamCutoff, "0Hz").raw, 0);  // 0 to 19 all show 0 Hz
    EXPECT_EQ(read(ParamDelayLeft, "2.500 tick").raw, 2500);
    EXPECT_EQ(read(ParamOffsetRight, "100 Smp").raw, 32100);
    EXPECT_EQ(read(ParamFilterType, "lp / hp").raw, 5);
    EXPECT_EQ(read(ParamModeParamLeft, "(notused)").raw, 1);
    EXPECT_EQ(read(ParamResample, "original").raw, 44100);
    EXPECT_EQ(read(ParamWetRight, "-inf.dB (0%)").raw, 0);
}

TEST_F(TypedValues, NumbersWithUnitsTakeTheNearestShownValue) {
    struct Case {
        int index;
        const char* typed;
        int raw;
        bool exact;
    } cases[] = {
        {ParamWetLeft, "-6dB", 50, true},
        {ParamDryRight, "+12 dB", 396, true},  // 396 to 400 show 12.0 dB
        {ParamWetLeft, "-inf dB", 0, true},
        {ParamCutoff, "4199.6Hz", 32600, false},
        {ParamCutoff, "4.2kHz", 32600, true},
        {ParamCutoff, "22.05 kHz", 65000, true},
        {ParamResample, "44100Hz", 44100, true},
        {ParamResample, "8 kHz", 8000, true},
        {ParamFeedbackLeft, "35%", 35, true},
        {ParamPanLfoPhaseLeft, "90°", 90, true},
        {ParamFilterLfoPhase, "90deg", 90, true},
        {ParamPanLfoRateLeft, "12.5 Tick", 25, true},
        {ParamFilterLfoRate, "12.7 ticks", 25, false},
        {ParamChorusRate, "4.96Hz", 50, false},
        {ParamDelayLeft, "12.5 Tick", 12500, true},
        {ParamDelayRight, "250 samples", 32250, true},
        {ParamInertia, "16 ticks", 16, true},
        {ParamWetRight, "50%", 50, true},
    };
    for (const Case& c : cases) {
        const settings::ReadValue value = read(c.index, c.typed);
        EXPECT_EQ(value.raw, c.raw) << c.typed;
        EXPECT_EQ(value.exact, c.exact) << c.typed;
    }
    // 32600 to 32602 all show 4200 Hz at 44100 Hz; at 22050 Hz the same frequency is another
    // raw value: a frequency stays a frequency.
    EXPECT_NE(read(ParamCutoff, "4.2kHz", 22050).raw, 32600);
    EXPECT_TRUE(read(ParamCutoff, "4.2kHz", 22050).exact);
    // The bit depth of the bitcrusher: 8 bits is shown from raw 50 on.
    EXPECT_EQ(read(ParamModeParamLeft, "8 bit", 44100, 126, 4, 5).raw, 50);
    EXPECT_EQ(read(ParamModeParamLeft, "70%", 44100, 126, 4, 4).raw, 70);  // "70 (%)"
}

TEST_F(TypedValues, NoteLengthsFollowTheTempoAndTimesStayTimes) {
    // An eighth is half a beat: 2 ticks at 4 ticks per beat; dotted, 3 ticks.
    EXPECT_EQ(read(ParamDelayLeft, "1/8").raw, 2000);
    EXPECT_EQ(read(ParamDelayLeft, "1/8.", 44100, 126, 4).raw, 3000);
    EXPECT_EQ(read(ParamDelayLeft, "1/8.", 44100, 126, 6).raw, 4500);
    EXPECT_EQ(read(ParamOffsetLeft, "1/1").raw, 16000);
    EXPECT_EQ(read(ParamOffsetLeft, "3/16").raw, 3000);
    // 250 ms at 48000 Hz is 12000 samples, whatever the tempo.
    for (const double bpm : {90.0, 126.0, 170.0}) {
        const settings::ReadValue ms = read(ParamDelayLeft, "250ms", 48000, bpm);
        EXPECT_EQ(ms.raw, 44000);
        EXPECT_TRUE(ms.exact);
    }
    EXPECT_EQ(read(ParamDelayLeft, "0.25 s", 48000).raw, 44000);
    const settings::ReadValue near = read(ParamDelayLeft, "0.1ms");  // 4.41 samples
    EXPECT_EQ(near.raw, 32004);
    EXPECT_FALSE(near.exact);
    EXPECT_EQ(read(ParamOffsetLeft, "0ms").raw, 0);
    // A sixteenth triplet at 120 BPM, 4 ticks per beat and 44100 Hz: 2/3 of a tick of 5513
    // samples, no whole number of thousandths, so the nearest whole number of samples.
    const settings::ReadValue triplet = read(ParamDelayRight, "1/16t", 44100, 120.0, 4);
    EXPECT_EQ(triplet.raw, 35675);
    EXPECT_FALSE(triplet.exact);
    // At 48000 Hz the same tick is 6000 samples, and 2/3 of it is exactly 4000.
    const settings::ReadValue whole = read(ParamDelayRight, "1/16t", 48000, 120.0, 4);
    EXPECT_EQ(whole.raw, 36000);
    EXPECT_TRUE(whole.exact);
}

TEST_F(TypedValues, WhatCannotBeReadSaysWhatCan) {
    // Too long for a whole number of thousandths of up to 32 ticks and for 33534 samples.
    const std::string tooLong = failure(ParamDelayLeft, "1/1t", 44100, 120.0);
    EXPECT_NE(tooLong.find("33534 samples"), std::string::npos) << tooLong;
    EXPECT_NE(failure(ParamDelayLeft, "1000ms").find("longest it can hold is 33534 samples"),
              std::string::npos);
    EXPECT_NE(failure(ParamDelayLeft, "0ms").find("shorter than one sample"), std::string::npos);
    // A unit the parameter does not show, or a number far outside what it shows.
    EXPECT_NE(failure(ParamCutoff, "250ms").find("not a delay length"), std::string::npos);
    EXPECT_NE(failure(ParamWetLeft, "30dB").find("dB (-inf to 12)"), std::string::npos);
    EXPECT_NE(failure(ParamFeedbackLeft, "5Hz").find("does not show"), std::string::npos);
    // Something else entirely: the forms and the range.
    const std::string forms = failure(ParamDelayLeft, "1/3");
    for (const char* part : {"1..65534", "250ms", "1/8.", "1/8t", "samples (1 to 33534)"})
        EXPECT_NE(forms.find(part), std::string::npos) << part << ": " << forms;
    const std::string cutoff = failure(ParamCutoff, "bright");
    EXPECT_NE(cutoff.find("0..65000"), std::string::npos) << cutoff;
    EXPECT_NE(cutoff.find("Hz (0 to 22050)"), std::string::npos) << cutoff;
}

// A mode parameter reads with the mode its side will have, set before or after it.
TEST_F(TypedValues, ModeParametersReadWithTheModeTheyWillHave) {
    settings::ValueResolver resolver(*table_, *texts_, settings::ValueContext{44100, 5250, 4},
                                     true);
    std::vector<int> values = resolver.defaults();
    const std::vector<settings::Assignment> sets = {
        settings::parseAssignmentText("DLY MParaL=8 Bit", *table_, "test"),
        settings::parseAssignmentText("DLY ModeL=Bitcrusher", *table_, "test"),
        settings::parseAssignmentText("DLY ModeR=Clipping", *table_, "test"),
        settings::parseAssignmentText("DLY MParaR=50 (16384)", *table_, "test"),
    };
    resolver.apply(sets, values);
    EXPECT_EQ(values[ParamModeParamLeft], 50);
    EXPECT_EQ(values[ParamModeParamRight], 50);
    try {
        resolver.apply({settings::parseAssignmentText("DLY MParaL=8 Bit", *table_, "here:3")},
                       values = resolver.defaults());
        ADD_FAILURE() << "a bit depth in the Normal mode";
    } catch (const settings::SettingsError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("here:3: DLY MParaL", 0), 0u) << e.what();
    }
}

// The factory presets hold no sample counts or times: they read the same at any rate and
// tempo, so the LV2 presets made from them (at 44100 Hz and 126 BPM) are the tool's presets.
TEST_F(TypedValues, FactoryPresetsReadTheSameInEverySession) {
    const std::vector<settings::PresetFile> presets = settings::presetFiles(TARVO_PRESET_DIR);
    ASSERT_GE(presets.size(), 10u);
    for (const settings::PresetFile& entry : presets) {
        const std::string text = files::readTextFile(entry.path, "preset");
        EXPECT_FALSE(settings::presetDescription(text).empty()) << entry.name;
        const settings::StartSettings start =
            settings::startSettings(settings::parsePreset(text, entry.path, *table_), {}, *table_);
        std::vector<int> first;
        for (const auto& [rate, bpm] : {std::pair{44100, 126.0}, {48000, 100.0}, {96000, 174.0}}) {
            settings::ValueResolver resolver(
                *table_, *texts_,
                settings::ValueContext{rate, settings::samplesPerTick(rate, bpm, 4), 4}, false);
            const std::vector<int> values = settings::resolve(start, resolver).values;
            if (first.empty()) first = values;
            EXPECT_EQ(values, first) << entry.name << " at " << rate << " Hz, " << bpm << " BPM";
        }
    }
}

}  // namespace

#endif  // TARVO_CLI_PATH
