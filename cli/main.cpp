// tarvo-delay: exit status 0 on success, 2 for a bad command line (options, parameters,
// values, automation or script lines), 1 when the work itself fails; one line on standard
// error says why.
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "cli/arguments.h"
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/messages.h"
#include "cli/number_options.h"
#include "cli/parse_failure.h"
#include "cli/plugin_path.h"
#include "files/file_error.h"
#include "offline/plugin_library.h"
#include "settings/settings_error.h"
#include "settings/tempo.h"

namespace {

int fail(int status, const char* message) {
    std::fprintf(stderr, "tarvo-delay: %s\n", cli::printable(message).c_str());
    return status;
}

int run(const cli::Invocation& inv) {
    const std::string path =
        inv.plugin.empty() ? cli::defaultPluginPath() : cli::pluginPathAsTyped(inv.plugin);
    const offline::PluginLibrary library(path);
    const core::MachineCode code = library.code();
    switch (inv.command) {
        case cli::Invocation::Demo:
            return cli::runDemo(inv.demo, code);
        case cli::Invocation::Render:
            return cli::runRender(inv.render, code);
        case cli::Invocation::Params:
            return cli::runParams(inv.params, code);
        case cli::Invocation::Script:
            return cli::runScript(inv.script, code);
        case cli::Invocation::Presets:
            return cli::runPresets(inv.presets, code);
        case cli::Invocation::Plot:
            return cli::runPlot(inv.plot, code);
    }
    return cli::kExitRuntimeError;
}

// A tempo that gives no samples per tick, in the words of the options that set it.
std::string tempoMessage(const settings::TempoError& e) {
    return "--bpm " + cli::typedNumber(e.beatsPerMinute) + " at " + std::to_string(e.ticksPerBeat) +
           " ticks per beat gives " +
           (e.tooShort ? "less than one sample" : "more than 2147483647 samples") +
           " per tick at " + std::to_string(e.sampleRate) + " Hz";
}

}  // namespace

int main(int argc, char** argv) {
    cli::Invocation invocation;
    const auto app = cli::commandLine(invocation);
    try {
        app->parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app->exit(e);  // --help
        const std::string better = cli::parseFailure(*app, {argv + 1, argv + argc});
        return fail(cli::kExitUsageError, better.empty() ? e.what() : better.c_str());
    }
    try {
        return run(invocation);
    } catch (const cli::UsageError& e) {
        return fail(cli::kExitUsageError, e.what());
    } catch (const settings::SettingsError& e) {
        return fail(cli::kExitUsageError, e.what());
    } catch (const settings::TempoError& e) {
        return fail(cli::kExitUsageError, tempoMessage(e).c_str());
    } catch (const files::FormatError& e) {
        return fail(cli::kExitUsageError, e.what());
    } catch (const std::bad_alloc&) {
        return fail(cli::kExitRuntimeError, "out of memory");
    } catch (const std::exception& e) {  // RuntimeError, FileError, HostError, the rest
        return fail(cli::kExitRuntimeError, e.what());
    }
}
