// tarvo-delay render IN OUT [options]: an audio file through the machine, on the host's
// tick schedule, into a new file that replaces OUT only when it is complete.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/factory_presets.h"
#include "cli/messages.h"
#include "cli/number_options.h"
#include "cli/progress_bar.h"
#include "cli/session_tempo.h"
#include "cli/summary.h"
#include "core/quoted_text.h"
#include "core/render_session.h"
#include "files/audio_reader.h"
#include "files/audio_writer.h"
#include "files/output_format.h"
#include "files/safe_output.h"
#include "files/text_file.h"
#include "settings/automation.h"
#include "settings/preset_file.h"
#include "settings/session_values.h"
#include "settings/start_settings.h"

namespace cli {

namespace {

using core::SessionSettings;
using core::Tail;
using files::AudioReader;
using files::AudioWriter;
using files::OutputFormat;
using files::SafeOutput;
using files::SampleFormat;
using settings::Assignment;
using settings::ParameterTable;
using settings::StartSettings;

constexpr double kLongestFixedTail = 3600.0;  // seconds

// "auto", or seconds of silence (0: none).
Tail parseTail(const std::string& text, double& seconds) {
    Tail tail;
    if (text == "auto" || text == "AUTO") return tail;
    const std::optional<double> number = decimalNumber(text);
    if (!number || !(*number >= 0.0 && *number <= kLongestFixedTail))
        throw UsageError("--tail: expected 'auto' or seconds from 0 to " +
                         typedNumber(kLongestFixedTail) + ", got " + core::quoted(text));
    seconds = *number;
    tail.kind = seconds > 0.0 ? Tail::Fixed : Tail::Off;
    return tail;
}

std::string savedDescription(const StartSettings& start) {
    if (start.preset && !start.preset->description.empty()) return start.preset->description;
    return "Tarvo Delay settings saved by tarvo-delay.";
}

std::vector<std::string> savedComments(const StartSettings& start, const SessionSettings& session,
                                       const ParameterTable& table) {
    std::string from = start.preset ? "preset '" + start.preset->name + "'" : "the defaults";
    for (size_t i = 0; i < start.sets.size(); ++i) {
        const Assignment& set = start.sets[i];
        from += (i == 0 ? " with --set " : ", ") + table[set.index].name + "=" + set.value;
    }
    return {"Saved from " + from + ", at " + std::to_string(session.sampleRate) + " Hz and " +
            std::to_string(session.samplesPerTick) + " samples per tick."};
}

}  // namespace

int runRender(const RenderOptions& options, const core::MachineCode& code) {
    // Everything the command line can get wrong is checked before any audio is touched.
    const SampleFormat sampleFormat =
        options.subtype.empty() ? SampleFormat::Default : files::parseSampleFormat(options.subtype);
    const OutputFormat format = files::outputFormatFor(options.output, options.type, sampleFormat);
    if (options.input == "-" && options.automation == "-")
        throw UsageError("IN and --automation cannot both be standard input");
    files::refuseSameFile(options.input, options.output);
    double tailSeconds = 0.0;
    SessionSettings run;
    run.tail = parseTail(options.tail, tailSeconds);
    run.blockFrames = options.blockFrames;
    const ParameterTable table(code);
    const StartSettings start = startSettingsFrom(options.preset, options.settings, table);
    settings::AutomationText automation;
    if (!options.automation.empty())
        automation = settings::parseAutomation(
            files::readTextFile(options.automation, "automation file"),
            options.automation == "-" ? "standard input" : options.automation, table);
    if (!options.savePreset.empty()) {
        if (options.savePreset == options.output)
            throw UsageError("--save-preset: '" + options.savePreset + "' is the output file");
        files::refuseSameFile(options.input, options.savePreset);
    }

    AudioReader reader(options.input);
    run.sampleRate = reader.sampleRate();
    run.samplesPerTick = sessionSamplesPerTick(options.tempo, reader.sampleRate());
    run.tail.frames = std::llround(tailSeconds * reader.sampleRate());

    // Values are read for this session: its sample rate, its tempo.
    settings::SessionValues reading(
        table, code,
        settings::ValueContext{run.sampleRate, run.samplesPerTick, options.tempo.ticksPerBeat},
        options.quiet);
    const settings::StartValues values = reading.start(start);
    run.initialValues = values.assigned;
    run.automation = settings::resolveAutomation(automation, reading.resolver, values.values);
    std::optional<SafeOutput> preset;
    if (!options.savePreset.empty()) {
        preset.emplace(options.savePreset);
        const std::string text =
            settings::presetText(savedDescription(start), savedComments(start, run, table),
                                 values.values, reading.resolver);
        preset->writeAll(text.data(), text.size());
    }

    SafeOutput output(options.output);
    AudioWriter writer(output, format, reader.sampleRate());
    ProgressBar progress(reader.sampleRate(), !options.quiet);
    const core::SessionResult result = core::renderSession(code, run, reader, writer, &progress);
    writer.finish();
    output.commit();
    if (preset) preset->commit();
    progress.finish();

    if (!options.quiet) {
        // The summary must not land in audio written to standard output.
        std::FILE* summary = output.fd() == STDOUT_FILENO ? stderr : stdout;
        std::fprintf(summary, "%s\n",
                     printable(wroteLine(output.name(), result.outputFrames, reader.sampleRate(),
                                         format.description, result.peak))
                         .c_str());
        if (result.automationNotReached > 0)
            std::fprintf(stderr, "tarvo-delay: note: %zu automated ticks lie after the end\n",
                         result.automationNotReached);
    }
    if (writer.clippedSamples() > 0)
        warn(std::to_string(writer.clippedSamples()) + " samples clipped in " +
             std::to_string(format.pcmBits) + "-bit PCM; " +
             (format.holdsFloat ? "--subtype float keeps them"
                                : format.containerName + " holds no float samples: lower the " +
                                      "level (AMP Wetout, AMP Dryout) or write float WAV"));
    return 0;
}

}  // namespace cli
