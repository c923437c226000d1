#include "cli/factory_presets.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "files/file_error.h"
#include "files/text_file.h"

namespace cli {

namespace fs = std::filesystem;

std::string factoryPresetDirectory() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path installed =
            self.parent_path().parent_path() / "share" / "tarvo-delay" / "presets";
        if (fs::is_directory(installed, error)) return installed.string();
    }
    const fs::path source = TARVO_SOURCE_PRESET_DIR;
    if (fs::is_directory(source, error)) return source.string();
    return {};
}

std::vector<PresetEntry> factoryPresets() {
    std::vector<PresetEntry> presets;
    for (const settings::PresetFile& file : settings::presetFiles(factoryPresetDirectory())) {
        std::string description;
        try {
            description = settings::presetDescription(files::readTextFile(file.path, "preset"));
        } catch (const files::FileError&) {  // listed without its sentence
        }
        presets.push_back({file.name, description, file.path});
    }
    return presets;
}

settings::Preset loadPreset(const std::string& nameOrPath, const settings::ParameterTable& table) {
    const std::string path =
        settings::presetPath(nameOrPath, settings::presetFiles(factoryPresetDirectory()));
    return settings::parsePreset(files::readTextFile(path, "preset file"), path, table);
}

settings::StartSettings startSettingsFrom(const std::string& preset,
                                          const std::vector<std::string>& sets,
                                          const settings::ParameterTable& table) {
    std::optional<settings::Preset> loaded;
    if (!preset.empty()) loaded = loadPreset(preset, table);
    return settings::startSettings(std::move(loaded), sets, table);
}

}  // namespace cli
