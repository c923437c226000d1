// What a host shows for a control's value and what a user may type into its field: the
// machine's own text for a raw value, and everything --set takes (raw values, exact texts,
// numbers with units, milliseconds, note lengths at the session's tempo). Both run on the
// host's main thread, with a machine of their own: never the one that renders.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/hosted_machine.h"
#include "core/machine_code.h"
#include "formats/controls.h"
#include "host/conventions.h"
#include "settings/parameter_table.h"
#include "settings/value_texts.h"

namespace formats {

// The session a text is shown or read for.
struct TextContext {
    int32_t sampleRate = 44100;
    double tempo = kDefaultTempo;  // the host's, or ours while it sends none
    int32_t ticksPerBeat = kDefaultTicksPerBeat;
    int32_t modeLeft = 0, modeRight = 0;  // "DLY ModeL" and "DLY ModeR" as they stand
};

// The context of a session whose controls stand at `values`: the host's tempo when it sends one,
// otherwise ours.
TextContext textContext(const std::array<double, kControlCount>& values, double hostTempo,
                        int32_t sampleRate);

class ControlTexts {
  public:
    ControlTexts(const core::MachineCode& code, const settings::ParameterTable& table);

    // The text for `value` of control `id`, in UTF-8.
    std::string text(int id, double value, const TextContext& context);
    // The value `typed` means for control `id`; none when it cannot be read.
    std::optional<double> read(int id, std::string_view typed, const TextContext& context);

  private:
    void showMode(int side, int32_t mode);

    const settings::ParameterTable& table_;
    core::HostedMachine machine_;  // for texts only
    core::ParameterRecord record_;
    int32_t shownMode_[2] = {-1, -1};  // the modes the text machine was last given
    settings::ValueTexts texts_;
};

}  // namespace formats
