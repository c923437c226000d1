// Messages on standard error. File names, lines and tokens come from outside: they are shown
// with control characters and bytes that are not UTF-8 escaped, so a message can never move
// the cursor, change colours or hide part of itself.
#pragma once

#include <string>
#include <string_view>

namespace cli {

// Valid UTF-8 as it is, everything else (controls, DEL, C1 controls, stray bytes) as \xNN.
std::string printable(std::string_view text);

// "tarvo-delay: warning: ..." on one line.
void warn(const std::string& message);

}  // namespace cli
