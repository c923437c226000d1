// Host sessions written as scripts, replayed exactly:
//   rate R | tpt T | create | tick [defaults] [I=V ...] | render N MODE | text I V | destroy
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/machine_code.h"
#include "host/descriptors.h"

namespace offline {

// A malformed script; the message names the line.
class ScriptError : public std::runtime_error {
  public:
    ScriptError(int line, const std::string& what)
        : std::runtime_error("line " + std::to_string(line) + ": " + what), line(line) {}
    int line;
};

struct ScriptCommand {
    enum Kind { Rate, SamplesPerTick, Create, Tick, Render, Text, Destroy };
    Kind kind;
    int line = 0;
    long long first = 0;   // rate, samples per tick, frame count, parameter index
    long long second = 0;  // work mode, raw value
    bool defaults = false;
    std::vector<std::pair<int, int>> values;  // the tick's parameter values
};

// Parses and checks a whole script before anything runs, so a bad line renders nothing.
std::vector<ScriptCommand> parseScript(const std::string& text, const MachineDescription& info);

struct ScriptResult {
    std::vector<float> output;  // interleaved stereo, the buffer after every render
    std::string texts;          // each text's bytes and a newline, or "(null)"
};

// Replays the commands; `input` is interleaved stereo in the host's scale.
ScriptResult runScript(const core::MachineCode& code, const std::vector<ScriptCommand>& commands,
                       const std::vector<float>& input);

// Where a replay takes its input from and puts what it produces, as it goes.
class ScriptStreams {
  public:
    virtual ~ScriptStreams() = default;
    // Fills the start of `samples` (interleaved stereo) as far as the input goes and returns
    // how many it filled; the rest stays silent. `line` is the render line that asks, for a
    // stream that refuses to end early.
    virtual size_t readInput(float* samples, size_t count, int line) = 0;
    // The buffer after a render.
    virtual void writeOutput(const float* samples, size_t count) = 0;
    // A value text's bytes, or "(null)".
    virtual void writeText(const std::string& text) = 0;
};

// HostError when the code gives no machine.
void runScript(const core::MachineCode& code, const std::vector<ScriptCommand>& commands,
               ScriptStreams& streams);

}  // namespace offline
