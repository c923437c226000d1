// The plug-in's controls as every format lists them: the machine's parameters in table order
// (id = index), then our tempo, used while the host sends none, and the ticks per beat.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/plugin_core.h"
#include "machine/parameters.h"
#include "settings/parameter_table.h"

namespace formats {

inline constexpr int kTempoId = kParameterCount;
inline constexpr int kTicksPerBeatId = kParameterCount + 1;
inline constexpr int kControlCount = kParameterCount + 2;

inline constexpr const char* kTempoName = "Tempo";
inline constexpr const char* kTicksPerBeatName = "Ticks per beat";

struct Control {
    int id = 0;
    std::string name;  // UTF-8
    double minValue = 0.0, maxValue = 0.0, defaultValue = 0.0;
    bool stepped = true;      // whole numbers only: all but the tempo
    bool enumerated = false;  // a short list of named values
};

// Every control, by id.
std::vector<Control> pluginControls(const settings::ParameterTable& table);

// A control's value goes to the core: a parameter's as its raw value, the tempo and the ticks
// per beat as ours.
inline void applyControl(core::PluginCore& core, int id, double value) {
    if (id == kTempoId)
        core.setTempo(value);
    else if (id == kTicksPerBeatId)
        core.setTicksPerBeat(value);
    else
        core.setValue(id, value);
}

}  // namespace formats
