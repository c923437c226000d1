// Numbers on the command line as the README writes them: decimal digits with a sign and a
// point. Hexadecimal, exponents, "nan" and "inf" are refused, as is anything outside the
// option's range, and the message names that range.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// "120", "-60", "0.5", "+3."; nothing else.
std::optional<double> decimalNumber(std::string_view text);

// A number as a user would type it: the shortest decimal that reads back to it.
std::string typedNumber(double value);

// Validators for CLI11 options: "expected WHAT from LOWEST to HIGHEST UNIT, got 'TEXT'". A whole
// number is passed on in its plain form, so that CLI11 never reads "010" as octal.
CLI::Validator decimalIn(double lowest, double highest, const std::string& what,
                         const std::string& unit = "");
CLI::Validator wholeNumberIn(long long lowest, long long highest, const std::string& what,
                             const std::string& unit = "");

}  // namespace cli
