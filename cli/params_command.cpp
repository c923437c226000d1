// tarvo-delay params [--json]: index, name, description, range, default and the default's
// value text of every parameter, as the machine describes them; with --preset or --set, the
// value every parameter gets in such a session, raw and as its text.
#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/factory_presets.h"
#include "cli/json_text.h"
#include "cli/session_tempo.h"
#include "settings/parameter_table.h"
#include "settings/session_values.h"

namespace cli {

namespace {

using settings::ParameterInfo;
using settings::ParameterTable;

void printJson(const ParameterTable& table) {
    std::string out = "[\n";
    for (const ParameterInfo& p : table.parameters()) {
        out += "  {\"index\": " + std::to_string(p.index) + ", \"name\": " + jsonString(p.name) +
               ", \"description\": " + jsonString(p.description) +
               ", \"type\": " + (p.word ? "\"word\"" : "\"byte\"") +
               ", \"min\": " + std::to_string(p.minValue) +
               ", \"max\": " + std::to_string(p.maxValue) +
               ", \"default\": " + std::to_string(p.defaultValue) +
               ", \"defaultText\": " + (p.defaultText ? jsonString(*p.defaultText) : "null") +
               ", \"noValue\": " + std::to_string(p.noValue);
        if (p.enumerated && !p.valueTexts.empty()) {
            out += ", \"values\": [";
            for (size_t i = 0; i < p.valueTexts.size(); ++i)
                out += (i == 0 ? "" : ", ") + jsonString(p.valueTexts[i]);
            out += "]";
        }
        out += p.index + 1 < static_cast<int>(table.parameters().size()) ? "},\n" : "}\n";
    }
    std::fputs((out + "]\n").c_str(), stdout);
}

// Width of UTF-8 text on a terminal, counting code points.
size_t displayWidth(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string padded(const std::string& text, size_t width) {
    return text + std::string(width - std::min(width, displayWidth(text)), ' ');
}

void printTable(const ParameterTable& table) {
    struct Row {
        std::string index, name, range, defaultValue, text, description;
    };
    std::vector<Row> rows = {{"#", "Name", "Range", "Default", "Shown as", "Description"}};
    for (const ParameterInfo& p : table.parameters()) {
        std::string description = p.description;
        description.erase(0, description.find_first_not_of(' '));
        rows.push_back({std::to_string(p.index), p.name,
                        std::to_string(p.minValue) + ".." + std::to_string(p.maxValue),
                        std::to_string(p.defaultValue), p.defaultText.value_or("-"), description});
    }
    size_t w[5] = {};
    for (const Row& row : rows) {
        const std::string* cells[5] = {&row.index, &row.name, &row.range, &row.defaultValue,
                                       &row.text};
        for (int i = 0; i < 5; ++i) w[i] = std::max(w[i], displayWidth(*cells[i]));
    }
    for (const Row& row : rows) {
        const std::string line = std::string(w[0] - row.index.size(), ' ') + row.index + "  " +
                                 padded(row.name, w[1]) + "  " + padded(row.range, w[2]) + "  " +
                                 padded(row.defaultValue, w[3]) + "  " + padded(row.text, w[4]) +
                                 "  " + row.description;
        std::printf("%s\n", line.c_str());
    }
}

struct SessionValue {
    int raw = 0;
    std::string text;
    const char* from = "default";
};

void printValuesJson(const ParameterTable& table, const std::vector<SessionValue>& values) {
    std::string out = "[\n";
    for (const ParameterInfo& p : table.parameters()) {
        const SessionValue& v = values[static_cast<size_t>(p.index)];
        out += "  {\"index\": " + std::to_string(p.index) + ", \"name\": " + jsonString(p.name) +
               ", \"value\": " + std::to_string(v.raw) + ", \"text\": " + jsonString(v.text) +
               ", \"from\": " + jsonString(v.from) +
               (p.index + 1 < static_cast<int>(values.size()) ? "},\n" : "}\n");
    }
    std::fputs((out + "]\n").c_str(), stdout);
}

void printValuesTable(const ParameterTable& table, const std::vector<SessionValue>& values) {
    size_t nameWidth = 4, valueWidth = 5, textWidth = 8;
    for (const ParameterInfo& p : table.parameters()) {
        const SessionValue& v = values[static_cast<size_t>(p.index)];
        nameWidth = std::max(nameWidth, displayWidth(p.name));
        valueWidth = std::max(valueWidth, std::to_string(v.raw).size());
        textWidth = std::max(textWidth, displayWidth(v.text));
    }
    std::printf(" #  %s  %s  %s  From\n", padded("Name", nameWidth).c_str(),
                padded("Value", valueWidth).c_str(), padded("Shown as", textWidth).c_str());
    for (const ParameterInfo& p : table.parameters()) {
        const SessionValue& v = values[static_cast<size_t>(p.index)];
        const std::string raw = std::to_string(v.raw);
        std::printf("%2d  %s  %s%s  %s  %s\n", p.index, padded(p.name, nameWidth).c_str(),
                    std::string(valueWidth - raw.size(), ' ').c_str(), raw.c_str(),
                    padded(v.text, textWidth).c_str(), v.from);
    }
}

int showSessionValues(const ParamsOptions& options, const core::MachineCode& code,
                      const ParameterTable& table) {
    const settings::StartSettings start =
        startSettingsFrom(options.preset, options.settings, table);
    const int32_t tpt = sessionSamplesPerTick(options.tempo, options.sampleRate);
    settings::SessionValues reading(
        table, code, settings::ValueContext{options.sampleRate, tpt, options.tempo.ticksPerBeat},
        options.quiet);
    const settings::StartValues start_values = reading.start(start);
    std::vector<SessionValue> values(table.parameters().size());
    const size_t fromPreset = start.preset ? start.preset->assignments.size() : 0;
    for (size_t i = 0; i < start_values.assigned.size(); ++i)
        values[static_cast<size_t>(start_values.assigned[i].first)].from =
            i < fromPreset ? "preset" : "--set";
    for (const ParameterInfo& p : table.parameters()) {
        SessionValue& v = values[static_cast<size_t>(p.index)];
        v.raw = start_values.values[static_cast<size_t>(p.index)];
        v.text = reading.resolver.text(p.index, v.raw, start_values.values);
    }
    if (options.json)
        printValuesJson(table, values);
    else
        printValuesTable(table, values);
    return 0;
}

}  // namespace

int runParams(const ParamsOptions& options, const core::MachineCode& code) {
    const ParameterTable table(code);
    if (!options.preset.empty() || !options.settings.empty())
        return showSessionValues(options, code, table);
    if (options.json)
        printJson(table);
    else
        printTable(table);
    return 0;
}

}  // namespace cli
