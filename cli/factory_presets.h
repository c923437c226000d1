// The factory presets installed with the tool, and presets named on its command line.
#pragma once

#include <string>
#include <vector>

#include "settings/parameter_table.h"
#include "settings/preset_file.h"
#include "settings/start_settings.h"

namespace cli {

struct PresetEntry {
    std::string name;
    std::string description;
    std::string path;
};

// share/tarvo-delay/presets beside the installed program's bin/, else the source tree's
// presets/ for a program in its build tree; empty when neither exists.
std::string factoryPresetDirectory();
// Every preset there, by name, with its description.
std::vector<PresetEntry> factoryPresets();
// A factory preset by name or a preset file (see settings::presetPath), read and parsed;
// files::FileError when the file cannot be read.
settings::Preset loadPreset(const std::string& nameOrPath, const settings::ParameterTable& table);
// --preset (none when empty) and every --set.
settings::StartSettings startSettingsFrom(const std::string& preset,
                                          const std::vector<std::string>& sets,
                                          const settings::ParameterTable& table);

}  // namespace cli
