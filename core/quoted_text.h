// Text from outside (a value, a token, a line of a file) as a message quotes it: in single
// quotes, and cut to a readable length with "…" and its size when it is long, so that a 10 MiB
// value does not become a 10 MiB message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace core {

inline constexpr size_t kLongestQuoted = 64;  // bytes shown of a longer text

// "'4.2kHz'", or "'xxxx…' (10485760 bytes)".
std::string quoted(std::string_view text);

}  // namespace core
