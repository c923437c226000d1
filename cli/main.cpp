// tarvo-delay: exit status 0 on success, 2 for a bad command line (options, parameters,
// values, automation or script lines), 1 when the work itself fails; one line on standard
// error says why.
#include <cstdio>
#include <exception>
#include <new>

#include "cli/arguments.h"
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/messages.h"
#include "cli/plugin_path.h"
#include "offline/host_error.h"

namespace {

int fail(int status, const char* message) {
    std::fprintf(stderr, "tarvo-delay: %s\n", cli::printable(message).c_str());
    return status;
}

int run(const cli::Invocation& inv) {
    const std::string path =
        inv.plugin.empty() ? cli::defaultPluginPath() : cli::pluginPathAsTyped(inv.plugin);
    const offline::PluginLibrary library(path);
    switch (inv.command) {
        case cli::Invocation::Demo:
            return cli::runDemo(inv.demo, library);
        case cli::Invocation::Render:
            return cli::runRender(inv.render, library);
        case cli::Invocation::Params:
            return cli::runParams(inv.params, library);
        case cli::Invocation::Script:
            return cli::runScript(inv.script, library);
        case cli::Invocation::Presets:
            return cli::runPresets(inv.presets, library);
        case cli::Invocation::Plot:
            return cli::runPlot(inv.plot, library);
    }
    return cli::kExitRuntimeError;
}

}  // namespace

int main(int argc, char** argv) {
    cli::Invocation invocation;
    const auto app = cli::commandLine(invocation);
    try {
        app->parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app->exit(e);  // --help
        return fail(cli::kExitUsageError, e.what());
    }
    try {
        return run(invocation);
    } catch (const cli::UsageError& e) {
        return fail(cli::kExitUsageError, e.what());
    } catch (const std::bad_alloc&) {
        return fail(cli::kExitRuntimeError, "out of memory");
    } catch (const std::exception& e) {  // RuntimeError, the host's HostError, the rest
        return fail(cli::kExitRuntimeError, e.what());
    }
}
