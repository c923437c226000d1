// Parameter changes at given ticks, read from a text file:
//   TICK NAME=VALUE [NAME=VALUE ...]     # comment
// Pairs are separated by blanks, so spaces inside names and value texts are written as
// underscores (DLY_FbackL=80, FLT_Type=No_Filter).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/render_session.h"
#include "settings/assignments.h"
#include "settings/parameter_table.h"

namespace settings {

using core::Automation;
// The same as written, values not yet read.
using AutomationText = std::map<int64_t, std::vector<Assignment>>;

// SettingsError naming `source` and the line for a bad line.
AutomationText parseAutomation(const std::string& text, const std::string& source,
                               const ParameterTable& table);
// Reads the values tick by tick, each tick's over the values in force before it (`values`, at
// first the session's start values), so that a mode parameter reads with its side's mode then.
Automation resolveAutomation(const AutomationText& text, ValueResolver& resolver,
                             std::vector<int> values);

}  // namespace settings
