// The machine's value texts are single-byte Windows-1252 text (the degree sign is 0xB0);
// terminals and JSON want UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace settings {

std::string windows1252ToUtf8(std::string_view text);

}  // namespace settings
