// One machine run the way the host runs it over a stream: at every tick the GlobalValues
// record is written (the first tick carries every parameter, later ticks only automation),
// ProcessTick runs, then the tick's frames are rendered in blocks of at most `blockFrames`.
#pragma once

#include <cstdint>
#include <vector>

#include "cli/automation.h"
#include "cli/frames.h"
#include "cli/parameter_table.h"
#include "offline/plugin_library.h"

namespace cli {

// What is rendered after the input ends, so that echoes are not cut off.
struct Tail {
    enum Kind { Off, Fixed, Auto };
    Kind kind = Auto;
    int64_t frames = 0;  // Fixed: frames of silence rendered after the input
};

struct SessionSettings {
    int32_t sampleRate = 44100;
    int32_t samplesPerTick = 5250;
    int blockFrames = 256;
    std::vector<ParameterValue> initialValues;  // laid over the defaults at the first tick
    Automation automation;
    Tail tail;
};

struct SessionResult {
    int64_t inputFrames = 0;
    int64_t outputFrames = 0;
    int64_t ticks = 0;
    float peak = 0.0f;                // largest output magnitude, host scale
    size_t automationNotReached = 0;  // automated ticks after the end of the output
};

class SessionProgress {
public:
    virtual ~SessionProgress() = default;
    // `inputFrames` is -1 while the input's length is unknown.
    virtual void update(int64_t framesDone, int64_t inputFrames) = 0;
};

// Streams `source` through a new machine of `library` into `sink`.
SessionResult renderSession(const offline::PluginLibrary& library, const SessionSettings& settings,
                            FrameSource& source, FrameSink& sink,
                            SessionProgress* progress = nullptr);

// Samples a delay or offset value asks for at this tempo, as the machine converts it (values up
// to 32000 count thousandths of a tick, larger ones samples beyond 32000), at most four seconds.
int64_t lineSamples(int value, int32_t samplesPerTick, int32_t sampleRate);

}  // namespace cli
