// Turns factory preset files into LV2 presets, reading their values with the tool's own code,
// so that the presets of the tool and of every LV2 host cannot differ.
//
//   tarvo_lv2_presets PLUGIN_LIBRARY BUNDLE_DIR PRESET_FILE...
//
// writes BUNDLE_DIR/NAME.ttl for every preset (a pset:Preset with the value of every control
// port) and appends each preset's entry to BUNDLE_DIR/manifest.ttl. Values are read for
// 44100 Hz at the plug-in's default tempo and ticks per beat, whose values the preset sets too.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/plugin_core.h"
#include "files/text_file.h"
#include "lv2/port_symbol.h"
#include "lv2/ports.h"
#include "offline/plugin_library.h"
#include "settings/parameter_table.h"
#include "settings/preset_file.h"
#include "settings/session_values.h"
#include "settings/tempo.h"

namespace {

constexpr int32_t kPresetRate = 44100;

// Turtle string content: quotes, backslashes and line breaks escaped.
std::string turtleText(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out;
}

std::string presetUri(const std::string& name) {
    return std::string(lv2port::kPluginUri) + "#preset-" + name;
}

std::string describePreset(const settings::Preset& preset, const std::vector<int>& values,
                           const settings::ParameterTable& table) {
    std::ostringstream out;
    out << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n\n"
        << "<" << presetUri(preset.name) << ">\n    a pset:Preset ;\n"
        << "    lv2:appliesTo <" << lv2port::kPluginUri << "> ;\n"
        << "    rdfs:label \"" << turtleText(preset.name) << "\" ;\n"
        << "    rdfs:comment \"" << turtleText(preset.description) << "\" ;\n"
        << "    lv2:port\n";
    const auto port = [&](const std::string& symbol, double value, bool last) {
        out << "        [ lv2:symbol \"" << symbol << "\" ; pset:value " << value
            << (value == static_cast<long long>(value) ? ".0" : "") << " ]"
            << (last ? " .\n" : " ,\n");
    };
    for (const settings::ParameterInfo& p : table.parameters())
        port(lv2port::symbolFor(p.name), values[static_cast<size_t>(p.index)], false);
    port("bpm", kDefaultTempo, false);
    port("tpb", kDefaultTicksPerBeat, true);
    return out.str();
}

std::string manifestEntry(const settings::Preset& preset) {
    return "\n<" + presetUri(preset.name) +
           ">\n    a <http://lv2plug.in/ns/ext/presets#Preset> ;\n"
           "    <http://lv2plug.in/ns/lv2core#appliesTo> <" +
           lv2port::kPluginUri + "> ;\n    <http://www.w3.org/2000/01/rdf-schema#seeAlso> <" +
           preset.name + ".ttl> .\n";
}

bool write(const std::string& path, const std::string& text, std::ios::openmode mode) {
    std::ofstream file(path, std::ios::binary | mode);
    file << text;
    file.close();
    if (file) return true;
    std::cerr << "tarvo_lv2_presets: cannot write " << path << "\n";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: tarvo_lv2_presets PLUGIN_LIBRARY BUNDLE_DIR PRESET_FILE...\n";
        return 2;
    }
    try {
        const offline::PluginLibrary library(argv[1]);
        const core::MachineCode code = library.code();
        const std::string bundle = argv[2];
        const settings::ParameterTable table(code);
        const int32_t samplesPerTick =
            settings::samplesPerTick(kPresetRate, kDefaultTempo, kDefaultTicksPerBeat);
        settings::SessionValues reading(
            table, code, settings::ValueContext{kPresetRate, samplesPerTick, kDefaultTicksPerBeat},
            false);
        std::string manifest;
        for (int i = 3; i < argc; ++i) {
            const settings::StartSettings start = settings::startSettings(
                settings::parsePreset(files::readTextFile(argv[i], "preset file"), argv[i], table),
                {}, table);
            const std::vector<int> values = reading.start(start).values;
            if (!write(bundle + "/" + start.preset->name + ".ttl",
                       describePreset(*start.preset, values, table), std::ios::trunc))
                return 1;
            manifest += manifestEntry(*start.preset);
        }
        return write(bundle + "/manifest.ttl", manifest, std::ios::app) ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "tarvo_lv2_presets: " << e.what() << "\n";
        return 1;
    }
}
