#include "cli/preset_file.h"

#include <filesystem>
#include <sstream>
#include <system_error>

#include "cli/cli_error.h"
#include "cli/factory_presets.h"
#include "cli/text_file.h"
#include "cli/trimmed.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

Preset readPresetFile(const std::string& path, const ParameterTable& table) {
    return parsePreset(readTextFile(path, "preset file"), path, table);
}

bool looksLikeAPath(const std::string& text) {
    return text == "-" || text.find('/') != std::string::npos ||
           (text.size() > std::string_view(kPresetExtension).size() &&
            text.ends_with(kPresetExtension));
}

}  // namespace

std::string presetDescription(const std::string& text) {
    std::istringstream lines(withoutByteOrderMark(text));
    for (std::string line; std::getline(lines, line);) {
        const std::string_view content = trimmed(line);
        if (content.empty()) continue;
        if (content.front() != '#') break;
        return std::string(trimmed(content.substr(1)));
    }
    return {};
}

Preset parsePreset(const std::string& text, const std::string& path, const ParameterTable& table) {
    Preset preset;
    preset.path = path;
    preset.name = fs::path(path).stem().string();
    preset.description = presetDescription(text);
    std::istringstream lines(withoutByteOrderMark(text));
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::string_view content = trimmed(std::string_view(line).substr(0, line.find('#')));
        if (content.empty()) continue;
        preset.assignments.push_back(
            parseAssignmentText(content, table, path + ":" + std::to_string(number)));
    }
    return preset;
}

Preset loadPreset(const std::string& nameOrPath, const ParameterTable& table) {
    if (looksLikeAPath(nameOrPath)) return readPresetFile(nameOrPath, table);
    const std::vector<PresetEntry> presets = factoryPresets();
    for (const PresetEntry& entry : presets)
        if (entry.name == nameOrPath) return readPresetFile(entry.path, table);
    std::error_code error;
    if (fs::is_regular_file(nameOrPath, error)) return readPresetFile(nameOrPath, table);
    std::string names;
    for (const PresetEntry& entry : presets) names += (names.empty() ? "" : ", ") + entry.name;
    throw UsageError("no preset '" + nameOrPath + "'" +
                     (names.empty() ? std::string("; no factory presets are installed")
                                    : "; the factory presets are " + names) +
                     " ('tarvo-delay presets' describes them), or give a preset file's path");
}

std::string presetText(const std::string& description, const std::vector<std::string>& comments,
                       const std::vector<int>& values, ValueResolver& resolver) {
    std::string text = "# " + description + "\n";
    for (const std::string& comment : comments) text += "# " + comment + "\n";
    for (const ParameterInfo& p : resolver.table().parameters()) {
        const int raw = values[static_cast<size_t>(p.index)];
        text += p.name + "=" +
                (resolver.readsBack(p.index, raw, values) ? resolver.text(p.index, raw, values)
                                                          : std::to_string(raw)) +
                "\n";
    }
    return text;
}

}  // namespace cli
