// The text files the tool reads (automation, presets, host scripts): read whole, but never more
// than kLargestTextFile bytes, so that a huge file or /dev/zero fails at once; a leading UTF-8
// byte-order mark, as some editors write, is dropped. "-" reads standard input.
#pragma once

#include <cstddef>
#include <string>

namespace files {

inline constexpr size_t kLargestTextFile = size_t{16} << 20;  // 16 MiB

// FileError naming `what` ("automation file") and the path when the file cannot be read,
// is a directory or is larger than kLargestTextFile.
std::string readTextFile(const std::string& path, const std::string& what);

// `text` without a leading UTF-8 byte-order mark.
std::string withoutByteOrderMark(std::string text);

}  // namespace files
