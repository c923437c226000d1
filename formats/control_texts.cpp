#include "formats/control_texts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "formats/controls.h"
#include "host/tempo.h"
#include "settings/settings_error.h"
#include "settings/text_encoding.h"
#include "settings/trimmed.h"
#include "settings/value_reader.h"

namespace formats {

namespace {

// "126", "126 BPM", "12.5bpm": a number, with the unit or without; none otherwise.
std::optional<double> typedNumber(std::string_view typed, std::string_view unit) {
    const std::string key = settings::normalizedName(typed);
    double number = 0.0;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), number);
    if (error != std::errc() || !std::isfinite(number)) return std::nullopt;
    const std::string_view rest(end, static_cast<size_t>(key.data() + key.size() - end));
    if (!rest.empty() && rest != unit) return std::nullopt;
    return number;
}

std::string formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

bool isModeParameter(int id) { return id == ParamModeParamLeft || id == ParamModeParamRight; }

}  // namespace

TextContext textContext(const std::array<double, kControlCount>& values, double hostTempo,
                        int32_t sampleRate) {
    TextContext context;
    context.sampleRate = sampleRate;
    context.tempo = hostTempo > 0.0 ? hostTempo : values[kTempoId];
    context.ticksPerBeat = static_cast<int32_t>(values[kTicksPerBeatId]);
    context.modeLeft = static_cast<int32_t>(values[ParamModeLeft]);
    context.modeRight = static_cast<int32_t>(values[ParamModeRight]);
    return context;
}

ControlTexts::ControlTexts(const core::MachineCode& code, const settings::ParameterTable& table)
    : table_(table), machine_(code, 44100, 5512), record_(*code.description), texts_(code) {
    core::requireMachine(machine_);
}

void ControlTexts::showMode(int side, int32_t mode) {
    if (shownMode_[side] == mode) return;
    shownMode_[side] = mode;
    record_.clear();
    record_.set(side == 0 ? ParamModeLeft : ParamModeRight, mode);
    machine_.tick(record_);
}

std::string ControlTexts::text(int id, double value, const TextContext& context) {
    if (id == kTempoId) return formatted("%g BPM", value);
    if (id == kTicksPerBeatId) return formatted("%.0f", std::round(value));
    const settings::ParameterInfo& p = table_[id];
    const auto raw = static_cast<int32_t>(std::round(
        std::clamp(value, static_cast<double>(p.minValue), static_cast<double>(p.maxValue))));
    if (isModeParameter(id)) {
        const int side = id == ParamModeParamLeft ? 0 : 1;
        showMode(side, side == 0 ? context.modeLeft : context.modeRight);
    }
    machine_.setSampleRate(context.sampleRate);
    const char* text = machine_.valueText(id, raw);
    return text != nullptr ? settings::windows1252ToUtf8(text) : std::to_string(raw);
}

std::optional<double> ControlTexts::read(int id, std::string_view typed,
                                         const TextContext& context) {
    if (id == kTempoId || id == kTicksPerBeatId) {
        const std::optional<double> number = typedNumber(typed, id == kTempoId ? "bpm" : "ticks");
        const bool tempo = id == kTempoId;
        const double lowest = tempo ? core::kTempoMin : core::kTicksPerBeatMin;
        const double highest = tempo ? core::kTempoMax : core::kTicksPerBeatMax;
        if (!number || *number < lowest || *number > highest) return std::nullopt;
        if (!tempo && *number != std::round(*number)) return std::nullopt;
        return number;
    }
    if (id < 0 || id >= static_cast<int>(table_.parameters().size())) return std::nullopt;
    const double samples =
        roundedSamplesPerTick(context.sampleRate, context.tempo, context.ticksPerBeat);
    const settings::ValueContext reading{
        context.sampleRate, static_cast<int32_t>(std::clamp(samples, 1.0, double{INT32_MAX})),
        context.ticksPerBeat};
    const int mode = id == ParamModeParamLeft    ? context.modeLeft
                     : id == ParamModeParamRight ? context.modeRight
                                                 : -1;
    try {
        return settings::readValue(table_[id], typed, reading, mode, texts_).raw;
    } catch (const settings::SettingsError&) {
        return std::nullopt;
    }
}

}  // namespace formats
