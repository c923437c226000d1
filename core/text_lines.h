// The lines of the text files users write by hand (presets, automation, host scripts), split
// by one rule for every parser: a line ends at LF, CRLF or CR alike, as editors on every system
// save them, and the last line needs no end.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace core {

struct TextLine {
    int number = 0;         // from 1
    std::string_view text;  // without its line end
};

std::vector<TextLine> textLines(std::string_view text);

// Empty when `line` holds no NUL byte; otherwise what to say about the first one: its column,
// shown as \x00 so that no message is cut there, and what such a file usually is.
std::string nulByteProblem(std::string_view line);

}  // namespace core
