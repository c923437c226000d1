// tarvo-delay demo [-o FILE] [--preset NAME|FILE]: the built-in phrase through a setting that
// shows the machine off, or through a preset, into a 44.1 kHz stereo float WAV.
#include <cstdio>
#include <string>

#include "cli/audio_writer.h"
#include "cli/commands.h"
#include "cli/demo_input.h"
#include "cli/output_format.h"
#include "cli/parameter_table.h"
#include "cli/render_session.h"
#include "cli/safe_output.h"
#include "cli/start_settings.h"
#include "cli/summary.h"
#include "cli/tempo.h"
#include "cli/value_texts.h"

namespace cli {

namespace {

constexpr int32_t kDemoRate = 44100;
constexpr double kDemoTempo = 126.0;
constexpr int kDemoTicksPerBeat = 4;

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

int runDemo(const DemoOptions& options, const offline::PluginLibrary& library) {
    const OutputFormat format = outputFormatFor(options.output, "", SampleFormat::Default);
    const ParameterTable table(library);
    SessionSettings settings;
    settings.sampleRate = kDemoRate;
    settings.samplesPerTick = samplesPerTick(kDemoRate, kDemoTempo, kDemoTicksPerBeat);
    if (options.preset.empty()) {
        for (const char* assignment : kDemoSetting)
            settings.initialValues.push_back(table.parseAssignment(assignment));
    } else {
        const StartSettings start = parseStartSettings(options.preset, {}, table);
        ValueTexts texts(library);
        ValueResolver resolver(table, texts,
                               ValueContext{kDemoRate, settings.samplesPerTick, kDemoTicksPerBeat},
                               false);
        settings.initialValues = resolve(start, resolver).assigned;
    }

    const std::vector<float> input = demoInput(kDemoRate);
    BufferSource source(input);
    SafeOutput output(options.output);
    AudioWriter writer(output, format, kDemoRate);
    const SessionResult result = renderSession(library, settings, source, writer);
    writer.finish();
    output.commit();
    std::printf("%s\n", wroteLine(output.name(), result.outputFrames, kDemoRate, format.description,
                                  result.peak)
                            .c_str());
    return 0;
}

}  // namespace cli
