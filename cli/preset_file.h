// Preset files: plain text, '#' comments, the first comment line describing the sound in one
// sentence, then NAME=VALUE lines in the syntax --set takes.
#pragma once

#include <string>
#include <vector>

#include "cli/assignments.h"
#include "cli/parameter_table.h"

namespace cli {

inline constexpr const char* kPresetExtension = ".preset";

struct Preset {
    std::string name;         // the file's name without its extension
    std::string description;  // the first comment line, without '#'
    std::string path;
    std::vector<Assignment> assignments;
};

// The first comment line's text, before any setting; empty when there is none.
std::string presetDescription(const std::string& text);
// UsageError "PATH:LINE: ..." for a bad line.
Preset parsePreset(const std::string& text, const std::string& path, const ParameterTable& table);
// A factory preset by name, or a preset file: a path with a '/' or the extension, or any name
// that is no factory preset but an existing file. UsageError listing the factory presets when
// there is neither; RuntimeError when the file cannot be read.
Preset loadPreset(const std::string& nameOrPath, const ParameterTable& table);

// A preset file for `values`: the description, further comment lines, then every parameter
// with the text the machine shows for its value where that text reads back to the same value,
// else the raw value.
std::string presetText(const std::string& description, const std::vector<std::string>& comments,
                       const std::vector<int>& values, ValueResolver& resolver);

}  // namespace cli
