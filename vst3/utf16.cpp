#include "vst3/utf16.h"

namespace vst3 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The character at `at`, moving `at` past it.
char32_t nextCharacter(std::string_view text, size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) return lead;
    const int more = lead >= 0xF5   ? -1
                     : lead >= 0xF0 ? 3
                     : lead >= 0xE0 ? 2
                     : lead >= 0xC2 ? 1
                                    : -1;
    if (more < 0) return kReplacement;
    char32_t c = lead & (0x3F >> more);
    for (int i = 0; i < more; ++i) {
        if (at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80)
            return kReplacement;
        c = (c << 6) | (static_cast<unsigned char>(text[at++]) & 0x3F);
    }
    const char32_t lowest = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
    if (c < lowest || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return kReplacement;
    return c;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

void toUtf16(std::string_view text, int16_t* out, size_t size) {
    if (size == 0) return;
    size_t used = 0;
    for (size_t at = 0; at < text.size();) {
        const char32_t c = nextCharacter(text, at);
        const size_t units = c >= 0x10000 ? 2 : 1;
        if (used + units >= size) break;
        if (units == 2) {
            out[used++] = static_cast<int16_t>(0xD800 + ((c - 0x10000) >> 10));
            out[used++] = static_cast<int16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out[used++] = static_cast<int16_t>(c);
        }
    }
    out[used] = 0;
}

std::optional<std::string> fromUtf16(const int16_t* text, size_t most) {
    if (text == nullptr) return std::nullopt;
    std::string out;
    for (size_t i = 0; i < most; ++i) {
        const char32_t unit = static_cast<uint16_t>(text[i]);
        if (unit == 0) return out;
        if (unit >= 0xDC00 && unit < 0xE000) return std::nullopt;
        if (unit < 0xD800 || unit >= 0xDC00) {
            appendUtf8(out, unit);
            continue;
        }
        const char32_t low = i + 1 < most ? static_cast<uint16_t>(text[i + 1]) : 0;
        if (low < 0xDC00 || low >= 0xE000) return std::nullopt;
        appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
    }
    return std::nullopt;
}

}  // namespace vst3
