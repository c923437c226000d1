// tarvo-delay script SCRIPT [--in IN.f32] [--out OUT.f32]: replays a host session exactly,
// through our host's script player. Value texts go to standard output as their bytes.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>

#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/float_stream.h"
#include "cli/safe_output.h"
#include "offline/host_script.h"

namespace cli {

int runScript(const ScriptOptions& options, const offline::PluginLibrary& library) {
    std::ifstream file(options.script, std::ios::binary);
    if (!file) throw RuntimeError("cannot read script '" + options.script + "'");
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};

    std::vector<offline::ScriptCommand> commands;
    try {
        commands = offline::parseScript(text, *library.info());
    } catch (const offline::ScriptError& e) {
        throw UsageError(options.script + ": " + e.what());
    }

    std::vector<float> input;
    if (!options.input.empty()) input = readFloatStream(options.input);
    std::optional<SafeOutput> output;
    if (!options.output.empty()) {
        refuseSameFile(options.script, options.output);
        if (!options.input.empty()) refuseSameFile(options.input, options.output);
        output.emplace(options.output);
    }

    const offline::ScriptResult result = offline::runScript(library, commands, input);
    std::fwrite(result.texts.data(), 1, result.texts.size(), stdout);
    if (std::fflush(stdout) != 0) throw RuntimeError("cannot write to standard output");
    if (output) {
        writeFloatStream(*output, result.output);
        output->commit();
    }
    return 0;
}

}  // namespace cli
