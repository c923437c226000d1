// The command line: subcommands demo, render, params, presets, script and plot, and --plugin
// for all.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

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

// What was wrong with `arguments` (the command line after the program's name) when CLI11
// refused it and its own message would not say: an unknown subcommand, with the list of them,
// or an unknown option; empty when there is nothing better to say.
std::string parseFailure(const CLI::App& app, const std::vector<std::string>& arguments);

}  // namespace cli
