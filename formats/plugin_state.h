// A plug-in instance's settings as text, as every format saves them with a session: a preset
// file's NAME=VALUE lines (every parameter with the text the machine shows for its value where
// that text reads back to it, otherwise the raw value), then our tempo and ticks per beat. The
// texts are written and read at one reference session (44100 Hz, the starting tempo), where
// they mean the same whatever the session's own rate and tempo, so a state loads to the bits
// it was saved with. The factory presets are read the same way.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/machine_code.h"
#include "formats/controls.h"
#include "settings/parameter_table.h"
#include "settings/session_values.h"

namespace formats {

// Every control's value, by id.
using ControlValues = std::array<double, kControlCount>;

// The factory presets the plug-in carries, as their files read.
struct FactoryPreset {
    const char* name;
    const char* text;
};
extern const FactoryPreset kFactoryPresets[];
extern const int kFactoryPresetCount;

class StateText {
  public:
    StateText(const core::MachineCode& code, const settings::ParameterTable& table);

    std::string write(const ControlValues& values);
    // None when the text is no state of ours (a line that does not read): nothing changes then.
    std::optional<ControlValues> read(std::string_view text);
    // The values a factory preset gives, over the defaults, with our tempo as it stands.
    ControlValues preset(int index, const ControlValues& current);
    // Every control at its default.
    ControlValues defaults() const;

  private:
    const settings::ParameterTable& table_;
    settings::SessionValues reference_;
};

// The first comment line of a preset's text: what it sounds like.
std::string presetDescription(int index);

}  // namespace formats
