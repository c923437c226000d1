#include "core/quoted_text.h"

namespace core {

std::string quoted(std::string_view text) {
    if (text.size() <= kLongestQuoted) return "'" + std::string(text) + "'";
    // Cut before a character, never inside one, so the cut shows no stray byte.
    size_t cut = kLongestQuoted;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return "'" + std::string(text.substr(0, cut)) + "\u2026' (" + std::to_string(text.size()) +
           " bytes)";
}

}  // namespace core
