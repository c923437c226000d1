// The factory presets installed with the tool.
#pragma once

#include <string>
#include <vector>

namespace cli {

struct PresetEntry {
    std::string name;
    std::string description;
    std::string path;
};

// share/tarvo-delay/presets beside the installed program's bin/, else the source tree's
// presets/ for a program in its build tree; empty when neither exists.
std::string factoryPresetDirectory();
// Every preset there, by name.
std::vector<PresetEntry> factoryPresets();

}  // namespace cli
