#include "cli/factory_presets.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "cli/preset_file.h"

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
    const std::string directory = factoryPresetDirectory();
    if (directory.empty()) return presets;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory, error)) {
        if (entry.path().extension() != kPresetExtension || !entry.is_regular_file(error)) continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(file),
                               std::istreambuf_iterator<char>()};
        presets.push_back(
            {entry.path().stem().string(), presetDescription(text), entry.path().string()});
    }
    std::sort(presets.begin(), presets.end(),
              [](const PresetEntry& a, const PresetEntry& b) { return a.name < b.name; });
    return presets;
}

}  // namespace cli
