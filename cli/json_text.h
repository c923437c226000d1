// Text as a JSON string literal.
#pragma once

#include <string>

namespace cli {

// UTF-8 passes through; quotes, backslashes and control characters are escaped.
std::string jsonString(const std::string& text);

}  // namespace cli
