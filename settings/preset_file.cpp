#include "settings/preset_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/quoted_text.h"
#include "core/text_lines.h"
#include "settings/settings_error.h"
#include "settings/trimmed.h"

namespace settings {

namespace fs = std::filesystem;

namespace {

bool looksLikeAPath(const std::string& text) {
    return text == "-" || text.find('/') != std::string::npos ||
           (text.size() > std::string_view(kPresetExtension).size() &&
            text.ends_with(kPresetExtension));
}

}  // namespace

std::string presetDescription(const std::string& text) {
    for (const core::TextLine& line : core::textLines(text)) {
        const std::string_view content = trimmed(line.text);
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
    for (const core::TextLine& line : core::textLines(text)) {
        const std::string where = path + ":" + std::to_string(line.number);
        if (const std::string nul = core::nulByteProblem(line.text); !nul.empty())
            throw SettingsError(where + ": " + nul);
        const std::string_view content = trimmed(line.text.substr(0, line.text.find('#')));
        if (content.empty()) continue;
        preset.assignments.push_back(parseAssignmentText(content, table, where));
    }
    return preset;
}

std::vector<PresetFile> presetFiles(const std::string& directory) {
    std::vector<PresetFile> presets;
    if (directory.empty()) return presets;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory, error)) {
        if (entry.path().extension() != kPresetExtension || !entry.is_regular_file(error)) continue;
        presets.push_back({entry.path().stem().string(), entry.path().string()});
    }
    std::sort(presets.begin(), presets.end(),
              [](const PresetFile& a, const PresetFile& b) { return a.name < b.name; });
    return presets;
}

std::string presetPath(const std::string& nameOrPath, const std::vector<PresetFile>& factory) {
    if (looksLikeAPath(nameOrPath)) return nameOrPath;
    for (const PresetFile& preset : factory)
        if (preset.name == nameOrPath) return preset.path;
    std::error_code error;
    if (fs::is_regular_file(nameOrPath, error)) return nameOrPath;
    std::string names;
    for (const PresetFile& preset : factory) names += (names.empty() ? "" : ", ") + preset.name;
    throw SettingsError("no preset " + core::quoted(nameOrPath) +
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

}  // namespace settings
