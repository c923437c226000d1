#include "core/quoted_text.h"

namespace core {

std::string quoted(std::string_view text) {
    // Cut before a character, never inside one, so the cut shows no stray byte.
    size_t cut = text.size();
    if (text.size() > kLongestQuoted) {
        cut = kLongestQuoted;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    }
    std::string out(1, '\'');
    out.append(text.substr(0, cut));
    if (cut == text.size()) return out.append(1, '\'');
    out.append("\u2026' (");
    out.append(std::to_string(text.size()));
    return out.append(" bytes)");
}

}  // namespace core
