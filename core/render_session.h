// One machine run the way the host runs it over a stream: at every tick the GlobalValues
// record is written (the first tick carries every parameter, later ticks only automation),
// ProcessTick runs, then the tick's frames are rendered in blocks of at most `blockFrames`.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "core/frames.h"
#include "core/machine_code.h"
#include "core/parameter_record.h"

namespace core {

// Tick number -> the values it carries, in the order written (a later one wins).
using Automation = std::map<int64_t, std::vector<ParameterValue>>;

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

// Streams `source` through a new machine of `code` into `sink`; HostError when the code gives
// no machine.
SessionResult renderSession(const MachineCode& code, const SessionSettings& settings,
                            FrameSource& source, FrameSink& sink,
                            SessionProgress* progress = nullptr);

}  // namespace core
