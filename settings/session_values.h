// How one session reads its values: the machine's texts at its sample rate and in its delay
// modes, the resolver that reads with them, and what a preset and every --set give over the
// defaults. Every front end that starts a session sets it up through this one class.
#pragma once

#include "core/machine_code.h"
#include "settings/assignments.h"
#include "settings/parameter_table.h"
#include "settings/start_settings.h"
#include "settings/value_reader.h"
#include "settings/value_texts.h"

namespace settings {

class SessionValues {
  public:
    // `quiet`: no notice for values taken to the nearest the parameter can take.
    SessionValues(const ParameterTable& table, const core::MachineCode& code,
                  const ValueContext& context, bool quiet)
        : texts(code), resolver(table, texts, context, quiet) {}
    SessionValues(const SessionValues&) = delete;
    SessionValues& operator=(const SessionValues&) = delete;

    // The defaults, the preset over them, every --set over that.
    StartValues start(const StartSettings& settings) { return resolve(settings, resolver); }

    ValueTexts texts;
    ValueResolver resolver;  // reads with `texts`
};

}  // namespace settings
