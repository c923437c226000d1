// The command line: subcommands demo, render, params, presets, script and plot, and --plugin
// for all.
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

// --bpm, --tpb and --tpt, with the plug-ins' bounds, on every subcommand that takes a tempo.
void addTempoOptions(CLI::App& command, TempoOptions& tempo);
// A --rate option's check: the sample rates a session runs at.
CLI::Validator sampleRateOption();

}  // namespace cli
