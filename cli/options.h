// What each subcommand was asked to do, as read from the command line.
#pragma once

#include <string>
#include <vector>

#include "host/conventions.h"

namespace cli {

// --bpm, --tpb and --tpt, alike in every subcommand that takes them.
struct TempoOptions {
    double beatsPerMinute = kDefaultTempo;
    int ticksPerBeat = kDefaultTicksPerBeat;
    int samplesPerTick = 0;   // 0: from the tempo
    bool tempoGiven = false;  // --bpm or --tpb on the command line
};

struct DemoOptions {
    std::string output = "tarvo-demo.wav";
    std::string type;    // -t, as for render
    std::string preset;  // instead of the showcase setting
};

struct RenderOptions {
    std::string input;
    std::string output;
    std::string preset;                 // a factory preset's name or a preset file
    std::vector<std::string> settings;  // NAME=VALUE, over the preset
    std::string savePreset;             // where to write the settings as a preset
    std::string type;  // -t: the output's container, where OUT's extension does not tell
    TempoOptions tempo;
    int blockFrames = 256;
    std::string automation;
    std::string tail = "auto";
    std::string subtype;
    bool quiet = false;
};

struct ParamsOptions {
    bool json = false;
    // With a preset or settings: the value each parameter gets in such a session.
    std::string preset;
    std::vector<std::string> settings;
    TempoOptions tempo;
    int sampleRate = 44100;
    bool quiet = false;
};

struct PresetsOptions {
    bool json = false;
};

struct ScriptOptions {
    std::string script;
    std::string input;
    std::string output;
    bool pad = false;  // silence after --in ends, rather than an error
};

struct PlotOptions {
    std::string output;
    std::string preset;                 // a factory preset's name or a preset file
    std::vector<std::string> settings;  // NAME=VALUE, over the preset
    TempoOptions tempo;
    int sampleRate = 44100;
    double seconds = 0.0;  // 0: until the echoes fall under the floor
    std::string side = "both";
    double floorDb = -60.0;
    bool whole = false;
    std::string theme = "dark";
    std::string size = "1200x800";
    bool json = false;
};

struct Invocation {
    enum Command { Demo, Render, Params, Script, Presets, Plot };
    Command command = Demo;
    std::string plugin;  // empty: the default library
    DemoOptions demo;
    RenderOptions render;
    ParamsOptions params;
    ScriptOptions script;
    PresetsOptions presets;
    PlotOptions plot;
};

}  // namespace cli
