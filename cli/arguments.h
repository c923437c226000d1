// The command line: subcommands demo, render, params, script and plot, and --plugin for all.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>

#include "cli/options.h"

namespace cli {

// An application that fills `invocation` when it parses; CLI11 throws CLI::ParseError for a
// bad command line and for --help.
std::unique_ptr<CLI::App> commandLine(Invocation& invocation);

// The plot subcommand, which has options of its own.
void addPlotCommand(CLI::App& app, Invocation& invocation);

}  // namespace cli
