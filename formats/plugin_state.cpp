#include "formats/plugin_state.h"

#include <cmath>
#include <sstream>

#include "host/conventions.h"
#include "host/tempo.h"
#include "settings/preset_file.h"
#include "settings/settings_error.h"
#include "settings/start_settings.h"
#include "settings/trimmed.h"

namespace formats {

namespace {

constexpr int32_t kReferenceRate = 44100;
constexpr const char* kStateSource = "state";
// The first line of every state: what the text is, so that no other data loads as one.
constexpr std::string_view kStateHeading = "# Tarvo Delay settings";

settings::ValueContext referenceContext() {
    return {kReferenceRate,
            static_cast<int32_t>(
                roundedSamplesPerTick(kReferenceRate, kDefaultTempo, kDefaultTicksPerBeat)),
            kDefaultTicksPerBeat};
}

// "Tempo=126" or "Ticks per beat=4": the control's id and the value; -1 for another line.
int ourControl(std::string_view line, double& value) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return -1;
    const std::string name = settings::normalizedName(line.substr(0, equals));
    const int id = name == settings::normalizedName(kTempoName)          ? kTempoId
                   : name == settings::normalizedName(kTicksPerBeatName) ? kTicksPerBeatId
                                                                         : -1;
    if (id < 0) return -1;
    const std::string number(settings::trimmed(line.substr(equals + 1)));
    char* end = nullptr;
    value = std::strtod(number.c_str(), &end);
    return !number.empty() && *end == '\0' && std::isfinite(value) ? id : -2;
}

}  // namespace

StateText::StateText(const core::MachineCode& code, const settings::ParameterTable& table)
    : table_(table), reference_(table, code, referenceContext(), true) {}

ControlValues StateText::defaults() const {
    ControlValues values{};
    for (const Control& c : pluginControls(table_))
        values[static_cast<size_t>(c.id)] = c.defaultValue;
    return values;
}

std::string StateText::write(const ControlValues& values) {
    std::vector<int> raw;
    for (int i = 0; i < kParameterCount; ++i)
        raw.push_back(static_cast<int>(values[static_cast<size_t>(i)]));
    char tempo[64];
    std::snprintf(tempo, sizeof tempo, "%.17g", values[kTempoId]);
    return settings::presetText(std::string(kStateHeading.substr(2)), {}, raw,
                                reference_.resolver) +
           kTempoName + "=" + tempo + "\n" + kTicksPerBeatName + "=" +
           std::to_string(static_cast<int>(values[kTicksPerBeatId])) + "\n";
}

std::optional<ControlValues> StateText::read(std::string_view text) {
    if (!text.starts_with(kStateHeading)) return std::nullopt;
    ControlValues values = defaults();
    std::string parameters;
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        double value = 0.0;
        const int id = ourControl(settings::trimmed(line), value);
        if (id == -2) return std::nullopt;
        if (id >= 0) {
            values[static_cast<size_t>(id)] = value;
            line.clear();  // the other lines keep their numbers
        }
        parameters += line + "\n";
    }
    try {
        const settings::StartValues read = reference_.start(settings::startSettings(
            settings::parsePreset(parameters, kStateSource, table_), {}, table_));
        for (int i = 0; i < kParameterCount; ++i)
            values[static_cast<size_t>(i)] = read.values[static_cast<size_t>(i)];
    } catch (const settings::SettingsError&) {
        return std::nullopt;
    }
    for (const int id : {kTempoId, kTicksPerBeatId}) {
        const Control c = pluginControls(table_)[static_cast<size_t>(id)];
        const double v = values[static_cast<size_t>(id)];
        if (v < c.minValue || v > c.maxValue || (c.stepped && v != std::round(v)))
            return std::nullopt;
    }
    return values;
}

ControlValues StateText::preset(int index, const ControlValues& current) {
    const FactoryPreset& p = kFactoryPresets[index];
    const settings::StartValues read = reference_.start(
        settings::startSettings(settings::parsePreset(p.text, p.name, table_), {}, table_));
    ControlValues values = current;
    for (int i = 0; i < kParameterCount; ++i)
        values[static_cast<size_t>(i)] = read.values[static_cast<size_t>(i)];
    return values;
}

std::string presetDescription(int index) {
    return settings::presetDescription(kFactoryPresets[index].text);
}

}  // namespace formats
