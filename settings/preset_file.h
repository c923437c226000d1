// Preset files: plain text, '#' comments, the first comment line describing the sound in one
// sentence, then NAME=VALUE lines in the syntax --set takes.
#pragma once

#include <string>
#include <vector>

#include "settings/assignments.h"
#include "settings/parameter_table.h"

namespace settings {

inline constexpr const char* kPresetExtension = ".preset";

struct Preset {
    std::string name;         // the file's name without its extension
    std::string description;  // the first comment line, without '#'
    std::string path;
    std::vector<Assignment> assignments;
};

// The first comment line's text, before any setting; empty when there is none.
std::string presetDescription(const std::string& text);
// SettingsError "PATH:LINE: ..." for a bad line.
Preset parsePreset(const std::string& text, const std::string& path, const ParameterTable& table);

// A preset file in a directory of presets.
struct PresetFile {
    std::string name;  // the file's name without its extension
    std::string path;
};

// The preset files in `directory`, by name; none when it cannot be read.
std::vector<PresetFile> presetFiles(const std::string& directory);
// The file a preset is read from: a factory preset (one of `factory`) by name, or a preset
// file: a path with a '/' or the extension, or any name that is no factory preset but an
// existing file. SettingsError listing the factory presets when there is neither.
std::string presetPath(const std::string& nameOrPath, const std::vector<PresetFile>& factory);

// A preset file for `values`: the description, further comment lines, then every parameter
// with the text the machine shows for its value where that text reads back to the same value,
// else the raw value.
std::string presetText(const std::string& description, const std::vector<std::string>& comments,
                       const std::vector<int>& values, ValueResolver& resolver);

}  // namespace settings
