// The subcommands; each returns the exit status and throws UsageError or RuntimeError.
#pragma once

#include "cli/options.h"
#include "offline/plugin_library.h"

namespace cli {

int runDemo(const DemoOptions& options, const offline::PluginLibrary& library);
int runRender(const RenderOptions& options, const offline::PluginLibrary& library);
int runParams(const ParamsOptions& options, const offline::PluginLibrary& library);
int runScript(const ScriptOptions& options, const offline::PluginLibrary& library);
int runPresets(const PresetsOptions& options, const offline::PluginLibrary& library);
int runPlot(const PlotOptions& options, const offline::PluginLibrary& library);

}  // namespace cli
