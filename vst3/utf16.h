// VST 3 strings are UTF-16 in 16-bit units, ended by a zero; ours are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vst3 {

// `text` into `out` of `size` units with its zero, cut short at a whole character where it is
// too long; a byte that is no UTF-8 becomes U+FFFD.
void toUtf16(std::string_view text, int16_t* out, size_t size);

// The UTF-8 of a zero-ended string of at most `most` units; none when it holds a lone surrogate
// or has no zero within them.
std::optional<std::string> fromUtf16(const int16_t* text, size_t most);

}  // namespace vst3
