#include "cli/arguments.h"

#include <climits>
#include <string>

#include "cli/number_options.h"
#include "core/plugin_core.h"
#include "core/sample_rates.h"
#include "machine/constants.h"

namespace cli {

CLI::Validator sampleRateOption() {
    return wholeNumberIn(core::kLowestSampleRate, core::kHighestSampleRate, "a sample rate", "Hz");
}

void addTempoOptions(CLI::App& command, TempoOptions& tempo) {
    const auto given = [&tempo](const std::string&) { tempo.tempoGiven = true; };
    CLI::Option* bpm =
        command.add_option("--bpm", tempo.beatsPerMinute, "Beats per minute")
            ->transform(decimalIn(core::kTempoMin, core::kTempoMax, "a tempo", "BPM"))
            ->each(given)
            ->capture_default_str();
    command
        .add_option("--tpb", tempo.ticksPerBeat, "Ticks per beat (also the beat of note lengths)")
        ->transform(wholeNumberIn(core::kTicksPerBeatMin, core::kTicksPerBeatMax, "ticks per beat"))
        ->each(given)
        ->capture_default_str();
    command
        .add_option(
            "--tpt", tempo.samplesPerTick,
            "Samples per tick, instead of --bpm (--tpb still sets the beat of note lengths)")
        ->transform(wholeNumberIn(1, INT_MAX, "samples per tick"))
        ->excludes(bpm);
}

std::unique_ptr<CLI::App> commandLine(Invocation& inv) {
    auto app = std::make_unique<CLI::App>(
        "Tarvo Delay outside the music host: renders audio files through the machine, lists "
        "its parameters and replays host sessions.",
        "tarvo-delay");
    app->require_subcommand(1);
    app->set_version_flag("--version", "tarvo-delay " TARVO_VERSION);
    app->fallthrough();  // --plugin also after the subcommand
    app->add_option("--plugin", inv.plugin,
                    "The plug-in library to load (default: the one beside this program, else the "
                    "one in ../lib/tarvo-delay/ from it)");

    CLI::App* demo = app->add_subcommand(
        "demo",
        "Render a short built-in phrase through a showcase setting into an audio file (WAV "
        "unless its extension or -t says otherwise)");
    demo->add_option("-o,--output", inv.demo.output, "Output file")->capture_default_str();
    demo->add_option("-t,--type", inv.demo.type,
                     "Output format where the output's extension does not tell it, as for render");
    demo->add_option("--preset", inv.demo.preset,
                     "A factory preset's name or a preset file, instead of the showcase setting");
    demo->callback([&inv] { inv.command = Invocation::Demo; });

    RenderOptions& r = inv.render;
    CLI::App* render = app->add_subcommand("render", "Process an audio file through the machine");
    render
        ->add_option("IN", r.input,
                     "Input audio file (WAV, FLAC, AIFF, OGG, ...), or - for standard input")
        ->required();
    render
        ->add_option("OUT", r.output,
                     "Output audio file; its extension sets the format. - for standard output "
                     "(with -t)")
        ->required();
    render->add_option("-t,--type", r.type,
                       "Output format where OUT's extension does not tell it: wav, flac, aiff, "
                       "ogg, caf, au, w64, rf64 or raw (float32 little-endian unless --subtype)");
    render->add_option("--preset", r.preset,
                       "A factory preset's name or a preset file, applied before any --set");
    render
        ->add_option("--set", r.settings,
                     "NAME=VALUE: a parameter by name or index; a raw value, a value text, a "
                     "number with its unit (-6dB, 4.2kHz), for delays also 250ms or 1/8. "
                     "(repeatable)")
        ->allow_extra_args(false);
    render->add_option("--save-preset", r.savePreset,
                       "Write the settings (preset and --set) to this preset file");
    addTempoOptions(*render, r.tempo);
    render->add_option("--block", r.blockFrames, "Largest block of frames per render call")
        ->transform(wholeNumberIn(1, kMaxBlockFrames, "frames per block"))
        ->capture_default_str();
    render->add_option("--automation", r.automation,
                       "File of lines 'TICK NAME=VALUE ...' applied at those ticks");
    render
        ->add_option("--tail", r.tail,
                     "After the input: 'auto' (until the echoes fade, at most 60 s), or "
                     "seconds of silence to render; 0 for none")
        ->capture_default_str();
    render->add_option("--subtype", r.subtype, "Sample format: pcm16, pcm24 or float");
    render->add_flag("-q,--quiet", r.quiet,
                     "No progress bar, no summary, no notice for values taken to the nearest");
    render->callback([&inv] { inv.command = Invocation::Render; });

    CLI::App* params = app->add_subcommand(
        "params", "List the machine's parameters, or the values a preset and --set give them");
    ParamsOptions& p = inv.params;
    params->add_flag("--json", p.json, "As JSON");
    params->add_option("--preset", p.preset,
                       "Show the values of this preset (a factory preset's name or a file)");
    params->add_option("--set", p.settings, "NAME=VALUE over the preset, as render takes it")
        ->allow_extra_args(false);
    addTempoOptions(*params, p.tempo);
    params->add_option("--rate", p.sampleRate, "Sample rate the values are read for")
        ->transform(sampleRateOption())
        ->capture_default_str();
    params->add_flag("-q,--quiet", p.quiet, "No notice for values taken to the nearest");
    params->callback([&inv] { inv.command = Invocation::Params; });

    CLI::App* presets = app->add_subcommand("presets", "List the factory presets");
    presets->add_flag("--json", inv.presets.json, "As JSON");
    presets->callback([&inv] { inv.command = Invocation::Presets; });

    ScriptOptions& s = inv.script;
    CLI::App* script = app->add_subcommand("script", "Replay a host session script exactly");
    script->add_option("SCRIPT", s.script, "The host script")->required();
    script->add_option("--in", s.input, "Input stream: float32 little-endian, stereo, host scale");
    script->add_option("--out", s.output, "Output stream, same format");
    script->add_flag("--pad", s.pad,
                     "Render silence once --in has ended, instead of failing at the render line "
                     "that reads past its end");
    script->callback([&inv] { inv.command = Invocation::Script; });

    addPlotCommand(*app, inv);
    return app;
}

}  // namespace cli
