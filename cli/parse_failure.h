// What a refused command line got wrong, where CLI11's own message would not say: it reports a
// missing IN before a mistyped option, and "a subcommand is required" for a mistyped one.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace cli {

// An unknown subcommand, with the list of them, or an unknown option, by its name; empty when
// `arguments` (the command line after the program's name) has neither.
std::string parseFailure(const CLI::App& app, const std::vector<std::string>& arguments);

}  // namespace cli
