#include "cli/number_options.h"

#include <charconv>
#include <cstdlib>

#include "core/quoted_text.h"

namespace cli {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Digits, at least one, with at most one point among them; after an optional sign.
bool isDecimal(std::string_view text, bool point) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    bool digits = false, pointSeen = false;
    for (char c : text) {
        if (isDigit(c)) {
            digits = true;
        } else if (c == '.' && point && !pointSeen) {
            pointSeen = true;
        } else {
            return false;
        }
    }
    return digits;
}

std::string range(const std::string& what, const std::string& lowest, const std::string& highest,
                  const std::string& unit) {
    return what + " from " + lowest + " to " + highest + (unit.empty() ? "" : " " + unit);
}

}  // namespace

std::optional<double> decimalNumber(std::string_view text) {
    if (!isDecimal(text, true)) return std::nullopt;
    return std::strtod(std::string(text).c_str(), nullptr);
}

std::string typedNumber(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

CLI::Validator decimalIn(double lowest, double highest, const std::string& what,
                         const std::string& unit) {
    const std::string expected =
        "expected " + range(what, typedNumber(lowest), typedNumber(highest), unit);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            const std::optional<double> value = decimalNumber(text);
            if (!value || !(*value >= lowest && *value <= highest))
                return expected + ", got " + core::quoted(text);
            return "";
        },
        typedNumber(lowest) + ".." + typedNumber(highest));
}

CLI::Validator wholeNumberIn(long long lowest, long long highest, const std::string& what,
                             const std::string& unit) {
    const std::string expected =
        "expected " + range(what, std::to_string(lowest), std::to_string(highest), unit);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            long long value = 0;
            const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
            const char* end = text.data() + text.size();
            const auto [stop, error] = std::from_chars(begin, end, value);
            if (!isDecimal(text, false) || stop != end || error != std::errc() || value < lowest ||
                value > highest)
                return expected + ", got " + core::quoted(text);
            text = std::to_string(value);
            return "";
        },
        std::to_string(lowest) + ".." + std::to_string(highest));
}

}  // namespace cli
