// tarvo-delay demo [-o FILE] [--preset NAME|FILE]: the built-in phrase through a setting that
// shows the machine off, or through a preset, into a 44.1 kHz stereo float WAV.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/demo_input.h"
#include "cli/factory_presets.h"
#include "cli/summary.h"
#include "core/render_session.h"
#include "files/audio_writer.h"
#include "files/output_format.h"
#include "files/safe_output.h"
#include "host/conventions.h"
#include "settings/parameter_table.h"
#include "settings/session_values.h"
#include "settings/tempo.h"

namespace cli {

namespace {

constexpr int32_t kDemoRate = 44100;
// The phrase is written at the host's starting tempo.
constexpr double kDemoTempo = kDefaultTempo;
constexpr int kDemoTicksPerBeat = kDefaultTicksPerBeat;

// At 126 BPM and 4 ticks per beat; delay values up to 32000 count thousandths of a tick.
const char* const kDemoSetting[] = {
    "DLY OffsetL=2000",  // first echo on the left two ticks after the hit ...
    "DLY OffsetR=6000",  // ... on the right six ticks after it
    "DLY DelayL=3000",   // then every three ticks on the left
    "DLY DelayR=4000",   // and every beat on the right
    "DLY FbackL=60",    "DLY FbackR=55",   "AMP WetoutL=90",  "AMP WetoutR=90",
    "PAN LFOType=1",  // sine: the echoes wander between the sides
    "PAN LFORateL=32",  "PAN LFORateR=48", "PAN LFOPhaR=180",
    "FLT Type=1",  // low pass ...
    "FLT Cutoff=42000", "FLT Res=45",
    "FLT LFOType=1",  // ... swept by its sine oscillator
    "FLT LFODepth=60",  "FLT LFORate=64",
    "CHO LFOType=1",  // a slow chorus on the echoes
    "CHO Rate=6",       "CHO Depth=35",
};

}  // namespace

int runDemo(const DemoOptions& options, const core::MachineCode& code) {
    const files::OutputFormat format =
        files::outputFormatFor(options.output, options.type, files::SampleFormat::Default);
    const settings::ParameterTable table(code);
    core::SessionSettings run;
    run.sampleRate = kDemoRate;
    run.samplesPerTick = settings::samplesPerTick(kDemoRate, kDemoTempo, kDemoTicksPerBeat);
    if (options.preset.empty()) {
        for (const char* assignment : kDemoSetting)
            run.initialValues.push_back(table.parseAssignment(assignment));
    } else {
        const settings::StartSettings start = startSettingsFrom(options.preset, {}, table);
        settings::SessionValues reading(
            table, code, settings::ValueContext{kDemoRate, run.samplesPerTick, kDemoTicksPerBeat},
            false);
        run.initialValues = reading.start(start).assigned;
    }

    const std::vector<float> input = demoInput(kDemoRate);
    core::BufferSource source(input);
    files::SafeOutput output(options.output);
    files::AudioWriter writer(output, format, kDemoRate);
    const core::SessionResult result = core::renderSession(code, run, source, writer);
    writer.finish();
    output.commit();
    // The summary must not land in audio written to standard output.
    std::FILE* summary = output.fd() == STDOUT_FILENO ? stderr : stdout;
    std::fprintf(
        summary, "%s\n",
        wroteLine(output.name(), result.outputFrames, kDemoRate, format.description, result.peak)
            .c_str());
    return 0;
}

}  // namespace cli
