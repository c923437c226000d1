// What a session starts from: the defaults, then a preset, then every --set, which override it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/assignments.h"
#include "settings/preset_file.h"

namespace settings {

struct StartSettings {
    std::optional<Preset> preset;
    std::vector<Assignment> sets;  // from --set, in order
};

// Finds every --set's parameter; values are read later, by `resolve`.
StartSettings startSettings(std::optional<Preset> preset, const std::vector<std::string>& sets,
                            const ParameterTable& table);

struct StartValues {
    std::vector<int> values;               // every parameter's value, by index
    std::vector<ParameterValue> assigned;  // the preset's and --set's values, in order
};

StartValues resolve(const StartSettings& settings, ValueResolver& resolver);

}  // namespace settings
