// Text as a JSON string literal, quotes included; UTF-8 passes through.
#pragma once

#include <string>

namespace cli {

std::string jsonString(const std::string& text);

}  // namespace cli
