// The subcommands; each returns the exit status and throws what main() turns into one.
#pragma once

#include "cli/options.h"
#include "core/machine_code.h"

namespace cli {

// Each runs the machine of `code`, from the plug-in library the tool loaded.
int runDemo(const DemoOptions& options, const core::MachineCode& code);
int runRender(const RenderOptions& options, const core::MachineCode& code);
int runParams(const ParamsOptions& options, const core::MachineCode& code);
int runScript(const ScriptOptions& options, const core::MachineCode& code);
int runPresets(const PresetsOptions& options, const core::MachineCode& code);
int runPlot(const PlotOptions& options, const core::MachineCode& code);

}  // namespace cli
