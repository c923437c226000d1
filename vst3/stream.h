// A state as text through a host's stream.
#pragma once

#include <travesty/bstream.h>

#include <optional>
#include <string>
#include <string_view>

namespace vst3 {

// False when the stream takes less than all of it.
bool writeText(v3_bstream** stream, std::string_view text);

// Everything from the stream's position to where it stops giving bytes; none when that is more
// than `most` bytes or the stream reports a count it cannot have read.
std::optional<std::string> readText(v3_bstream** stream, size_t most);

}  // namespace vst3
