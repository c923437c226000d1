// Parameter changes at given ticks, read from a text file:
//   TICK NAME=VALUE [NAME=VALUE ...]     # comment
// Pairs are separated by blanks, so spaces inside names and value texts are written as
// underscores (DLY_FbackL=80, FLT_Type=No_Filter).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "cli/assignments.h"
#include "cli/parameter_table.h"

namespace cli {

// Tick number -> the values it carries, in the order written (a later one wins).
using Automation = std::map<int64_t, std::vector<ParameterValue>>;
// The same as written, values not yet read.
using AutomationText = std::map<int64_t, std::vector<Assignment>>;

// UsageError naming `source` and the line for a bad line.
AutomationText parseAutomation(const std::string& text, const std::string& source,
                               const ParameterTable& table);
// RuntimeError when the file cannot be read or is too large (see text_file.h).
AutomationText readAutomation(const std::string& path, const ParameterTable& table);
// Reads the values tick by tick, each tick's over the values in force before it (`values`, at
// first the session's start values), so that a mode parameter reads with its side's mode then.
Automation resolveAutomation(const AutomationText& text, ValueResolver& resolver,
                             std::vector<int> values);

}  // namespace cli
