// What the edit controller shows for a value and reads from a typed text: the machine's own texts
// at the processor's rate, and the settings language.
#include "core/hosted_machine.h"
#include "core/parameter_record.h"
#include "settings/text_encoding.h"
#include "vst3_host.h"

namespace {

using namespace vst3test;

// The first value of `id` whose shown text is not the machine's, or an empty string.
std::string firstWrongText(Plugin& plugin, core::HostedMachine& machine, int id) {
    const ParameterDescriptor& d = *machineLibrary().info()->parameters[id];
    for (int raw = d.minValue; raw <= d.maxValue; ++raw) {
        const char* own = machine.valueText(id, raw);
        const std::string expected = own ? settings::windows1252ToUtf8(own) : std::to_string(raw);
        const std::string shown = plugin.text(id, raw);
        if (shown != expected)
            return std::to_string(raw) + " shows '" + shown + "', the machine '" + expected + "'";
    }
    return "";
}

TEST(Vst3Texts, EveryValueShowsTheMachinesTextAtTheProcessorsRate) {
    for (const int32_t rate : {22050, 48000}) {
        SCOPED_TRACE(rate);
        Plugin plugin;
        ASSERT_TRUE(plugin.ok());
        plugin.activate(rate);  // the controller learns the rate from the processor
        core::HostedMachine machine(machineLibrary().code(), rate, samplesPerTick(rate, 126, 4));
        for (int id = 0; id < kParameterCount; ++id) {
            if (id != ParamModeParamLeft && id != ParamModeParamRight) {
                EXPECT_EQ(firstWrongText(plugin, machine, id), "") << id;
            }
        }

        // The mode parameters' texts follow their side's delay mode as the controller has it.
        core::ParameterRecord record(*machineLibrary().info());
        for (int mode = 0; mode <= 5; ++mode) {
            plugin.setPlain(ParamModeLeft, mode);
            plugin.setPlain(ParamModeRight, mode);
            record.clear();
            record.set(ParamModeLeft, mode);
            record.set(ParamModeRight, mode);
            machine.tick(record);
            for (const int id : {ParamModeParamLeft, ParamModeParamRight})
                EXPECT_EQ(firstWrongText(plugin, machine, id), "") << id << " in mode " << mode;
        }
    }
}

TEST(Vst3Texts, TypedTextsReadAsTheSettingsLanguage) {
    struct Typed {
        int id;
        const char* text;
        std::optional<double> plain;  // none: refused
        int32_t rate = 44100;
        std::vector<std::pair<int, double>> first = {};  // the controller's values before
    };
    const std::vector<Typed> table = {
        {ParamDelayLeft, "1/8.", 3000},
        {ParamDelayLeft, "1/8.", 2250, 44100, {{kTicksPerBeatId, 3}}},
        {ParamDelayLeft, "250ms", 44000, 48000},
        {ParamDelayLeft, "1/16t", 35675, 44100, {{kTempoId, 120}}},
        {ParamDelayLeft, "3000", 3000},
        {ParamWetLeft, "-6dB", 50},
        {ParamDryLeft, "+12dB", 396},
        {ParamFilterType, "LP/HP", 5},
        {ParamCutoff, "4.2kHz", 32600},
        {ParamPanLfoPhaseLeft, "90\u00b0", 90},
        {ParamModeParamLeft, "6 bit", 38, 44100, {{ParamModeLeft, 5}}},
        {ParamModeParamLeft, "6 bit", std::nullopt},  // no bits in Normal mode
        {kTempoId, "140 BPM", 140},
        {kTicksPerBeatId, "6", 6},
        {ParamDelayLeft, "banana", std::nullopt},
        {ParamFilterType, "LP/XX", std::nullopt},
        {ParamFeedbackLeft, "101", std::nullopt},
        {kTempoId, "5000", std::nullopt},
    };
    for (const Typed& t : table) {
        SCOPED_TRACE(std::to_string(t.id) + " '" + t.text + "' at " + std::to_string(t.rate));
        Plugin plugin;
        ASSERT_TRUE(plugin.ok());
        plugin.activate(t.rate);
        for (auto [id, plain] : t.first) plugin.setPlain(id, plain);
        const std::optional<double> read = plugin.read(t.id, t.text);
        if (t.plain)
            EXPECT_NEAR(read.value_or(-1.0), *t.plain, 1e-9);
        else
            EXPECT_FALSE(read);
    }
}

}  // namespace
