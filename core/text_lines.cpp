#include "core/text_lines.h"

namespace core {

std::vector<TextLine> textLines(std::string_view text) {
    std::vector<TextLine> lines;
    int number = 1;
    while (!text.empty()) {
        const size_t end = text.find_first_of("\r\n");
        lines.push_back({number++, text.substr(0, end)});
        if (end == std::string_view::npos) break;
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crlf ? 2 : 1));
    }
    return lines;
}

std::string nulByteProblem(std::string_view line) {
    const size_t at = line.find('\0');
    if (at == std::string_view::npos) return {};
    return "a NUL byte (\\x00) at column " + std::to_string(at + 1) +
           ": not a text file, or one saved as UTF-16 (save it as UTF-8)";
}

}  // namespace core
