// Writes the bundle's description (manifest.ttl and tarvo-delay.ttl) from the machine itself:
// names, ranges and defaults from GetInfo, scale point labels from ValueText, so that the
// description cannot drift from the machine.
//
//   tarvo_describe_bundle BUNDLE_DIR [--preset URI=FILE]...   the two files into BUNDLE_DIR;
//                                                              each preset's FILE (a name in
//                                                              the bundle) is listed in the
//                                                              manifest
//   tarvo_describe_bundle --port-table                         the port table, as Markdown
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/hosted_machine.h"
#include "core/linked_machine.h"
#include "core/plugin_core.h"
#include "display/name_lists.h"
#include "formats/identity.h"
#include "lv2/port_symbol.h"
#include "lv2/ports.h"
#include "machine/constants.h"
#include "machine/exports.h"
#include "machine/parameters.h"
#include "settings/text_encoding.h"

namespace {

// Value texts at the reference rate and the tool's default tempo.
constexpr int32_t kLabelRate = 44100;
constexpr int32_t kLabelSamplesPerTick = 5250;

struct Preset {
    std::string uri;
    std::string file;
};

// Where a continuous control gets a labelled mark, and how its raw value reads.
struct Reading {
    std::vector<int> landmarks;
    const char* comment;
};

Reading readingOf(int index) {
    switch (index) {
        case ParamInputMode:
            return {
                {},
                "How the inputs enter: both as they are, their mono sum, or one or both inverted."};
        case ParamDelayLeft:
        case ParamDelayRight:
            return {
                {250, 500, 1000, 2000, 4000, 8000, 16000, 32000, 32001 + 1000, 32001 + 22050},
                "Loop length, the spacing of the echoes. Values up to 32000 are thousandths of a "
                "tick (4000 = 4 ticks) and follow the tempo; above that they are samples "
                "(32001 = 1 sample). At most four seconds."};
        case ParamOffsetLeft:
        case ParamOffsetRight:
            return {{0, 1000, 2000, 4000, 8000, 16000, 32000, 32001 + 1000},
                    "Time before the first echo. Values up to 32000 are thousandths of a tick and "
                    "follow the tempo; above that they are samples (32001 = 1 sample). At most "
                    "four seconds."};
        case ParamFeedbackLeft:
        case ParamFeedbackRight:
            return {{0, 25, 50, 75, 100}, "Share of the loop fed back, in percent."};
        case ParamModeLeft:
        case ParamModeRight:
            return {{},
                    "Reshapes what enters the delay (Clipping, Waveshaper, Bitcrusher) or how "
                    "the loop is read (Inverted, Reverse)."};
        case ParamModeParamLeft:
        case ParamModeParamRight:
            return {{},
                    "The delay mode's amount: Clipping, the clip level in percent of full "
                    "scale; Waveshaper, the shape (1 to 100); Bitcrusher, the bit depth, "
                    "value × 16 / 100. Unused in the other modes."};
        case ParamDryLeft:
        case ParamDryRight:
            return {{0, 25, 50, 100, 200, 400},
                    "Gain of the input in this output, in percent (100 = 0 dB, 400 = +12 dB)."};
        case ParamWetLeft:
        case ParamWetRight:
            return {{0, 25, 50, 100, 200, 400},
                    "Gain of this side's echoes, in percent (100 = 0 dB, 400 = +12 dB)."};
        case ParamPanLeftA:
        case ParamPanLeftB:
        case ParamPanRightA:
        case ParamPanRightB:
            return {{0, 25, 50, 75, 100},
                    "Where this side's echoes sit, shown as left:right (0 = left only, 100 = right "
                    "only); the pan oscillator moves between the A and B positions."};
        case ParamPanLfoRateLeft:
        case ParamPanLfoRateRight:
        case ParamFilterLfoRate:
            return {{1, 2, 4, 8, 16, 32, 64, 128, 256},
                    "Oscillator cycle in half-ticks (32 = 16 ticks); follows the tempo."};
        case ParamPanLfoPhaseLeft:
        case ParamPanLfoPhaseRight:
        case ParamFilterLfoPhase:
            return {{0, 90, 180, 270, 360}, "Oscillator phase offset in degrees."};
        case ParamPanLfoType:
        case ParamFilterLfoType:
        case ParamChorusLfoType:
            return {{}, "The oscillator's shape, or none."};
        case ParamFilterType:
            return {{},
                    "The filter on the echoes; the split types filter left and right differently."};
        case ParamCutoff:
            return {{0, 16250, 32500, 48750, 65000},
                    "Cutoff along (2^((value / 65000)^2) - 1) × half the sample rate, at most "
                    "22050 Hz; the labels are at 44100 Hz."};
        case ParamResonance:
            return {{0, 25, 50, 75, 100}, "Filter resonance."};
        case ParamFilterLfoDepth:
            return {{0, 25, 50, 75, 100},
                    "How far the filter oscillator sweeps the cutoff, in percent."};
        case ParamChorusRate:
            return {{1, 10, 50, 100, 200}, "Chorus rate in tenths of a hertz."};
        case ParamChorusDepth:
            return {{0, 25, 50, 75, 100}, "Chorus depth in percent."};
        case ParamResample:
            return {{1000, 4000, 8000, 11025, 22050, 44100},
                    "Sample-and-hold rate in hertz, imitating a lower sample rate; 44100 leaves "
                    "the echoes as they are."};
        case ParamInertia:
            return {{0, 1, 2, 4, 8, 16, 32, 64},
                    "Ticks over which every continuous control glides to a new value; 0 jumps."};
        default:
            return {{}, ""};
    }
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string label(core::HostedMachine& machine, int index, int value) {
    const char* text = machine.valueText(index, value);
    return settings::windows1252ToUtf8(text != nullptr ? text : std::to_string(value));
}

void writeAudioPort(std::ostream& out, uint32_t index, bool input, const char* symbol,
                    const char* name) {
    out << "    [\n        a lv2:" << (input ? "InputPort" : "OutputPort") << " , lv2:AudioPort ;\n"
        << "        lv2:index " << index << " ;\n        lv2:symbol " << quoted(symbol) << " ;\n"
        << "        lv2:name " << quoted(name) << " ;\n    ] ,\n";
}

void writeParameterPort(std::ostream& out, core::HostedMachine& machine, int index) {
    const ParameterDescriptor& d = *GetInfo()->parameters[index];
    const bool enumerated = !parameterValueNames(index).empty();
    const Reading reading = readingOf(index);
    out << "    [\n        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << lv2port::FirstParameter + index << " ;\n"
        << "        lv2:symbol " << quoted(lv2port::symbolFor(d.name)) << " ;\n"
        << "        lv2:name " << quoted(d.name) << " ;\n"
        << "        lv2:default " << d.defaultValue << " ;\n"
        << "        lv2:minimum " << d.minValue << " ;\n"
        << "        lv2:maximum " << d.maxValue << " ;\n"
        << "        lv2:portProperty lv2:integer" << (enumerated ? " , lv2:enumeration" : "")
        << " ;\n";
    std::vector<int> points;
    if (enumerated) {
        for (int v = d.minValue; v <= d.maxValue; ++v) points.push_back(v);
    } else {
        for (const int v : reading.landmarks)
            if (v >= d.minValue && v <= d.maxValue) points.push_back(v);
    }
    for (size_t i = 0; i < points.size(); ++i) {
        out << (i == 0 ? "        lv2:scalePoint " : " ,\n            ") << "[ rdfs:label "
            << quoted(label(machine, index, points[i])) << " ; rdf:value " << points[i] << " ]";
    }
    if (!points.empty()) out << " ;\n";
    if (*reading.comment != '\0')
        out << "        rdfs:comment " << quoted(reading.comment) << " ;\n";
    out << "    ] ,\n";
}

void writeTempoPorts(std::ostream& out) {
    out << "    [\n        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << lv2port::Tempo << " ;\n        lv2:symbol \"bpm\" ;\n"
        << "        lv2:name \"Tempo\" ;\n"
        << "        lv2:default " << kDefaultTempo << " ;\n"
        << "        lv2:minimum " << core::kTempoMin << " ;\n"
        << "        lv2:maximum " << core::kTempoMax << " ;\n"
        << "        units:unit units:bpm ;\n"
        << "        rdfs:comment \"Beats per minute while the host sends no tempo.\" ;\n"
        << "    ] , [\n        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << lv2port::TicksPerBeat << " ;\n        lv2:symbol \"tpb\" ;\n"
        << "        lv2:name \"Ticks per beat\" ;\n"
        << "        lv2:default " << kDefaultTicksPerBeat << " ;\n"
        << "        lv2:minimum " << core::kTicksPerBeatMin << " ;\n"
        << "        lv2:maximum " << core::kTicksPerBeatMax << " ;\n"
        << "        lv2:portProperty lv2:integer ;\n"
        << "        rdfs:comment \"Ticks in one beat: with the tempo, the length of a tick.\" ;\n"
        << "    ] , [\n        a lv2:InputPort , atom:AtomPort ;\n"
        << "        lv2:index " << lv2port::Control << " ;\n        lv2:symbol \"control\" ;\n"
        << "        lv2:name \"Control\" ;\n"
        << "        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports time:Position ;\n"
        << "        lv2:designation lv2:control ;\n"
        << "        lv2:portProperty lv2:connectionOptional ;\n"
        << "        rdfs:comment \"The host's tempo (time:Position), followed at the frame where "
           "it "
           "arrives.\" ;\n"
        << "    ] .\n";
}

const char* kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string describePlugin() {
    const MachineDescription& info = *GetInfo();
    core::HostedMachine machine(core::linkedMachine(), kLabelRate, kLabelSamplesPerTick);
    std::ostringstream out;
    out << kPrefixes;
    out << "<" << formats::kProjectUrl << ">\n    a doap:Project ;\n"
        << "    doap:name " << quoted(info.displayName) << " ;\n"
        << "    doap:maintainer [ a foaf:Person ; foaf:name " << quoted(info.author) << " ] .\n\n";
    out << "<" << lv2port::kPluginUri << ">\n    a lv2:Plugin , lv2:DelayPlugin ;\n"
        << "    doap:name " << quoted(info.displayName) << " ;\n"
        << "    doap:license <" << lv2port::kLicenseUri << "> ;\n"
        << "    lv2:project <" << formats::kProjectUrl << "> ;\n"
        << "    lv2:minorVersion " << formats::kMinorVersion << " ;\n"
        << "    lv2:microVersion " << formats::kMicroVersion << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
        << "    rdfs:comment " << quoted(formats::kDescription) << " ;\n"
        << "    lv2:port\n";
    writeAudioPort(out, lv2port::InLeft, true, "in_l", "In L");
    writeAudioPort(out, lv2port::InRight, true, "in_r", "In R");
    writeAudioPort(out, lv2port::OutLeft, false, "out_l", "Out L");
    writeAudioPort(out, lv2port::OutRight, false, "out_r", "Out R");
    for (int i = 0; i < info.globalParameterCount; ++i) writeParameterPort(out, machine, i);
    writeTempoPorts(out);
    return out.str();
}

std::string describeManifest(const std::vector<Preset>& presets) {
    std::ostringstream out;
    out << kPrefixes;
    out << "<" << lv2port::kPluginUri << ">\n    a lv2:Plugin ;\n"
        << "    lv2:binary <" << lv2port::kBinaryName << "> ;\n"
        << "    rdfs:seeAlso <" << lv2port::kDescriptionFile << "> .\n";
    for (const Preset& preset : presets)
        out << "\n<" << preset.uri << ">\n    a pset:Preset ;\n"
            << "    lv2:appliesTo <" << lv2port::kPluginUri << "> ;\n"
            << "    rdfs:seeAlso <" << preset.file << "> .\n";
    return out.str();
}

// One row per port: symbol, name, range, default, what it means.
std::string portTable() {
    const MachineDescription& info = *GetInfo();
    core::HostedMachine machine(core::linkedMachine(), kLabelRate, kLabelSamplesPerTick);
    std::ostringstream out;
    out << "| Symbol | Name | Range | Default | Meaning |\n|---|---|---|---|---|\n"
        << "| `in_l`, `in_r` | In L, In R | audio | | the input |\n"
        << "| `out_l`, `out_r` | Out L, Out R | audio | | the output |\n";
    for (int i = 0; i < info.globalParameterCount; ++i) {
        const ParameterDescriptor& d = *info.parameters[i];
        std::string meaning = readingOf(i).comment;
        const auto names = parameterValueNames(i);
        if (!names.empty()) {
            meaning += " Values:";
            for (int v = d.minValue; v <= d.maxValue; ++v)
                meaning +=
                    (v == d.minValue ? " " : ", ") + std::to_string(v) + " " + label(machine, i, v);
            meaning += ".";
        }
        out << "| `" << lv2port::symbolFor(d.name) << "` | " << d.name << " | " << d.minValue << "–"
            << d.maxValue << " | " << d.defaultValue << " (" << label(machine, i, d.defaultValue)
            << ") | " << meaning << " |\n";
    }
    out << "| `bpm` | Tempo | " << core::kTempoMin << "–" << core::kTempoMax << " | "
        << kDefaultTempo << " | beats per minute while the host sends no tempo |\n"
        << "| `tpb` | Ticks per beat | " << core::kTicksPerBeatMin << "–" << core::kTicksPerBeatMax
        << " | " << kDefaultTicksPerBeat << " | ticks in one beat |\n"
        << "| `control` | Control | atom sequence | | the host's tempo (`time:Position`) |\n";
    return out.str();
}

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    if (!file) {
        std::cerr << "tarvo_describe_bundle: cannot write '" << path << "'\n";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--port-table") {
        std::cout << portTable();
        return 0;
    }
    if (argc < 2 || (argc % 2) != 0) {
        std::cerr << "usage: tarvo_describe_bundle BUNDLE_DIR [--preset URI=FILE]...\n"
                     "       tarvo_describe_bundle --port-table\n";
        return 2;
    }
    const std::string bundle = argv[1];
    std::vector<Preset> presets;
    for (int i = 2; i < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        const size_t equals = value.rfind('=');
        if (option != "--preset" || equals == std::string::npos || equals == 0 ||
            equals + 1 == value.size()) {
            std::cerr << "tarvo_describe_bundle: expected --preset URI=FILE, got '" << option << " "
                      << value << "'\n";
            return 2;
        }
        presets.push_back({value.substr(0, equals), value.substr(equals + 1)});
    }
    const bool written = writeFile(bundle + "/" + lv2port::kDescriptionFile, describePlugin()) &&
                         writeFile(bundle + "/manifest.ttl", describeManifest(presets));
    return written ? 0 : 1;
}
