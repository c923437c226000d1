// Values as a musician types them: the raw value, the exact text the machine shows, a number in
// the parameter's unit, and for the four delay lengths milliseconds and note lengths.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/conventions.h"
#include "settings/parameter_table.h"
#include "settings/value_texts.h"

namespace settings {

// The session a value is read for: texts follow the sample rate, note lengths the tempo.
struct ValueContext {
    int32_t sampleRate = 44100;
    int32_t samplesPerTick = 5250;
    int ticksPerBeat = kDefaultTicksPerBeat;  // a beat is a quarter note
};

struct ReadValue {
    int raw = 0;
    bool exact = true;  // false: the nearest value the parameter can take
};

// The raw value `value` means for parameter `p`, in this order:
//  - a raw value in the parameter's range ("3000");
//  - the exact text the machine shows, case and blanks ignored ("4172Hz", "-6.0dB(50%)"); where
//    several raw values show it, the smallest;
//  - for the four delay lengths a note length ("1/8", "1/8.", "1/8t", "3/16"), in thousandths of
//    a tick when it is a whole number of them, otherwise in the nearest whole number of samples,
//    and a time ("250ms", "0.5s"), always in samples;
//  - a number in a unit the parameter's texts show ("-6dB", "4.2kHz", "35%", "90deg",
//    "12.5 Tick"): the raw value whose shown number is nearest, the smaller on a tie.
// `mode` is the delay mode the parameter's side will have, for the mode parameters' texts.
// SettingsError naming the forms and the range when the value cannot be read.
ReadValue readValue(const ParameterInfo& p, std::string_view value, const ValueContext& context,
                    int mode, ValueTexts& texts);

// The four parameters that are delay or offset lengths.
bool isDelayLength(int index);

}  // namespace settings
