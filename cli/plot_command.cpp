// tarvo-delay plot -o FILE.png|FILE.svg [options]: a unit impulse through the machine with a
// setting, drawn as echo stems per output and as the wet path's magnitude response, with the
// echo table on standard output.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/factory_presets.h"
#include "cli/json_text.h"
#include "cli/plot_limits.h"
#include "cli/session_tempo.h"
#include "core/hosted_machine.h"
#include "core/line_samples.h"
#include "core/quoted_text.h"
#include "files/safe_output.h"
#include "machine/parameters.h"
#include "plot/echo_table.h"
#include "plot/impulse_response.h"
#include "plot/plot_drawing.h"
#include "plot/spectrum.h"
#include "settings/parameter_table.h"
#include "settings/session_values.h"
#include "settings/text_encoding.h"

namespace cli {

namespace {

using namespace plot;
using settings::Assignment;
using settings::ParameterInfo;
using settings::ParameterTable;

constexpr int kResponsePoints = 480;
constexpr int kSmallestPicture = 300, kLargestPicture = 8000;

struct Size {
    int width = 0, height = 0;
};

Size parseSize(const std::string& text) {
    Size size;
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &size.width, &x, &size.height, &rest) != 3 ||
        (x != 'x' && x != 'X') || size.width < kSmallestPicture || size.height < kSmallestPicture ||
        size.width > kLargestPicture || size.height > kLargestPicture)
        throw UsageError("--size: expected WIDTHxHEIGHT, each from " +
                         std::to_string(kSmallestPicture) + " to " +
                         std::to_string(kLargestPicture) + " pixels, got " + core::quoted(text));
    return size;
}

ImpulseSide sideNamed(const std::string& name) {
    if (name == "left") return ImpulseSide::Left;
    if (name == "right") return ImpulseSide::Right;
    return ImpulseSide::Both;
}

std::string fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// The setting's parameters that differ from their defaults, in table order, each with the
// text the machine shows for its value at this rate and tempo.
std::vector<std::string> changedParameters(const core::MachineCode& code,
                                           const ImpulseSettings& impulse,
                                           const ParameterTable& table) {
    core::HostedMachine machine(code, impulse.sampleRate, impulse.samplesPerTick);
    core::requireMachine(machine);
    std::vector<std::string> changed;
    for (const ParameterInfo& p : table.parameters()) {
        const int value = impulse.values[static_cast<size_t>(p.index)];
        if (value == p.defaultValue) continue;
        const char* text = machine.valueText(p.index, value);
        changed.push_back(
            p.name + " " +
            (text != nullptr ? settings::windows1252ToUtf8(text) : std::to_string(value)));
    }
    return changed;
}

std::vector<std::string> modulations(const std::vector<int>& values) {
    std::vector<std::string> running;
    if (values[ParamPanLfoType] != 0) running.push_back("the pan LFO");
    if (values[ParamFilterLfoType] != 0) running.push_back("the filter LFO");
    if (values[ParamChorusLfoType] != 0) running.push_back("the chorus");
    return running;
}

std::string joined(const std::vector<std::string>& parts, const std::string& separator,
                   const std::string& last) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i)
        out += (i == 0 ? "" : i + 1 == parts.size() ? last : separator) + parts[i];
    return out;
}

// What --set wrote over a preset, as it was written.
std::vector<std::string> setNames(const std::vector<Assignment>& sets,
                                  const ParameterTable& table) {
    std::vector<std::string> names;
    for (const Assignment& a : sets) names.push_back(table[a.index].name + "=" + a.value);
    return names;
}

// Time drawn when none is asked for: past the last echo above the floor by a margin, on the
// time axis's step.
double automaticSpanMs(const std::vector<Echo>& echoes, int32_t sampleRate, int64_t window) {
    int64_t last = 0;
    for (const Echo& e : echoes) last = std::max(last, e.frame);
    if (echoes.empty()) last = 2 * window;
    const double endMs = framesToMs(last + std::max<int64_t>(window, last / 12), sampleRate);
    const double step = niceStep(endMs / 10.0);
    return std::min(std::ceil(endMs / step) * step, kLongestPlotSeconds * 1000.0);
}

// The stretch of a lane that holds its first echo: from where the echo starts sounding (the
// wet signal is exactly 0 before) until the next echo would start the same way.
std::vector<float> firstEchoStretch(const std::vector<float>& lane, const std::vector<Echo>& echoes,
                                    int side) {
    std::vector<int64_t> own;
    for (const Echo& e : echoes)
        if (e.side == side && own.size() < 2) own.push_back(e.frame);
    const auto onset = static_cast<int64_t>(
        std::find_if(lane.begin(), lane.end(), [](float v) { return v != 0.0f; }) - lane.begin());
    auto end = static_cast<int64_t>(lane.size());
    if (own.size() == 2) end = std::min(end, onset + (own[1] - own[0]));
    if (end <= onset) end = std::min(onset + 1, static_cast<int64_t>(lane.size()));
    return {lane.begin() + onset, lane.begin() + end};
}

std::string jsonNumber(double value, int decimals) {
    return std::isfinite(value) ? fixed(value, decimals) : "null";
}

std::string jsonNumbers(const std::vector<double>& values, int decimals) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i)
        out += (i == 0 ? "" : ", ") + jsonNumber(values[i], decimals);
    return out + "]";
}

std::string jsonBox(const Box& b) {
    return "{\"left\": " + fixed(b.left, 1) + ", \"top\": " + fixed(b.top, 1) +
           ", \"right\": " + fixed(b.right, 1) + ", \"bottom\": " + fixed(b.bottom, 1) + "}";
}

std::string jsonReport(const Page& page, const std::vector<std::string>& changed,
                       const std::vector<std::string>& modulated, const ImpulseResponse& r,
                       const PlotOptions& options, const Layout& layout, const Theme& theme) {
    const auto strings = [](const std::vector<std::string>& items) {
        std::string out = "[";
        for (size_t i = 0; i < items.size(); ++i)
            out += (i == 0 ? "" : ", ") + jsonString(items[i]);
        return out + "]";
    };
    const auto level = [](float v) {
        return v == 0.0f ? std::string("null") : fixed(decibels(std::fabs(v)), 3);
    };
    std::string out = "{\n";
    out += "  \"title\": " + jsonString(page.title) + ",\n";
    out += "  \"changed\": " + strings(changed) + ",\n";
    out += "  \"modulated\": " + strings(modulated) + ",\n";
    out += "  \"sampleRate\": " + std::to_string(r.sampleRate) + ",\n";
    out += "  \"samplesPerTick\": " + std::to_string(r.samplesPerTick) + ",\n";
    out += "  \"ticksPerBeat\": " +
           (page.ticksPerBeat > 0 ? std::to_string(page.ticksPerBeat) : std::string("null")) +
           ",\n";
    out += "  \"impulse\": {\"side\": " + jsonString(options.side) +
           ", \"hostValue\": 32768, \"leadInFrames\": " + std::to_string(r.leadInFrames) + "},\n";
    out += "  \"ms\": " + fixed(page.spanMs, 3) + ",\n";
    out += "  \"floorDb\": " + fixed(page.floorDb, 2) + ",\n";
    out += "  \"dry\": {\"left\": {\"levelDb\": " + level(r.dry[0]) +
           ", \"polarity\": " + (r.dry[0] < 0.0f ? "-1" : "1") +
           "}, \"right\": {\"levelDb\": " + level(r.dry[1]) +
           ", \"polarity\": " + (r.dry[1] < 0.0f ? "-1" : "1") + "}},\n";
    out += "  \"echoes\": [";
    for (size_t i = 0; i < page.echoes.size(); ++i) {
        const Echo& e = page.echoes[i];
        out += std::string(i == 0 ? "\n" : ",\n") + "    {\"frame\": " + std::to_string(e.frame) +
               ", \"ms\": " + fixed(framesToMs(e.frame, r.sampleRate), 4) +
               ", \"ticks\": " + fixed(static_cast<double>(e.frame) / r.samplesPerTick, 4) +
               ", \"levelDb\": " + fixed(decibels(std::fabs(e.value)), 3) +
               ", \"side\": " + (e.side == 0 ? "\"left\"" : "\"right\"") +
               ", \"polarity\": " + (e.value < 0.0f ? "-1" : "1") + "}";
    }
    out += page.echoes.empty() ? "],\n" : "\n  ],\n";
    out += "  \"response\": {\"of\": " +
           std::string(page.wholeResponse ? "\"whole\"" : "\"first echo\"") +
           ",\n    \"hz\": " + jsonNumbers(page.frequencies, 2);
    for (int side = 0; side < 2; ++side)
        out += std::string(",\n    \"") + (side == 0 ? "left" : "right") + "\": " +
               (page.hasResponse[static_cast<size_t>(side)]
                    ? jsonNumbers(page.response[static_cast<size_t>(side)].level, 3)
                    : std::string("null"));
    out += "},\n";
    out += "  \"layout\": {\"width\": " + std::to_string(layout.width) +
           ", \"height\": " + std::to_string(layout.height) +
           ", \"timeLeft\": " + fixed(layout.timeLeft, 1) +
           ", \"timeRight\": " + fixed(layout.timeRight, 1) +
           ", \"dryX\": " + fixed(layout.dryX, 1) +
           ",\n    \"lanes\": {\"left\": " + jsonBox(layout.lanes[0]) +
           ", \"right\": " + jsonBox(layout.lanes[1]) + "},\n    \"laneDb\": [" +
           fixed(page.floorDb, 2) + ", " + fixed(laneTopDb(page), 2) +
           "], \"spectrum\": " + jsonBox(layout.spectrum) +
           ",\n    \"colours\": {\"background\": " + jsonString(hexColour(theme.background)) +
           ", \"left\": " + jsonString(hexColour(theme.left)) +
           ", \"right\": " + jsonString(hexColour(theme.right)) +
           ", \"dry\": " + jsonString(hexColour(theme.dry)) + "}}\n";
    return out + "}\n";
}

}  // namespace

int runPlot(const PlotOptions& options, const core::MachineCode& code) {
    // Everything the command line can get wrong is checked before the machine runs.
    const std::optional<PictureFormat> format = pictureFormatFor(options.output);
    if (!format)
        throw UsageError("'" + options.output + "': the picture must be a .png or .svg file");
    const Size size = parseSize(options.size);
    const Theme theme = themeNamed(options.theme);
    const ParameterTable table(code);
    ImpulseSettings impulse;
    const settings::StartSettings start =
        startSettingsFrom(options.preset, options.settings, table);
    impulse.sampleRate = options.sampleRate;
    impulse.samplesPerTick = sessionSamplesPerTick(options.tempo, options.sampleRate);
    settings::SessionValues reading(
        table, code,
        settings::ValueContext{impulse.sampleRate, impulse.samplesPerTick,
                               options.tempo.ticksPerBeat},
        false);
    impulse.values = reading.start(start).values;
    impulse.side = sideNamed(options.side);
    const double seconds = options.seconds > 0.0 ? options.seconds : kLongestPlotSeconds;
    impulse.frames = std::llround(seconds * options.sampleRate) + 1;

    const ImpulseResponse response = renderImpulse(code, impulse);
    const auto line = [&](int index) {
        return core::lineSamples(impulse.values[static_cast<size_t>(index)], impulse.samplesPerTick,
                                 impulse.sampleRate);
    };
    const int64_t window = echoWindow(line(ParamDelayLeft), line(ParamOffsetLeft),
                                      line(ParamDelayRight), line(ParamOffsetRight));
    std::vector<Echo> echoes = findEchoes(response, options.floorDb, window);

    Page page;
    page.sampleRate = response.sampleRate;
    page.samplesPerTick = response.samplesPerTick;
    page.ticksPerBeat = options.tempo.samplesPerTick > 0 ? 0 : options.tempo.ticksPerBeat;
    page.floorDb = options.floorDb;
    page.spanMs = options.seconds > 0.0 ? options.seconds * 1000.0
                                        : automaticSpanMs(echoes, response.sampleRate, window);
    const auto spanFrames =
        static_cast<int64_t>(std::floor(page.spanMs * response.sampleRate / 1000.0));
    echoes.erase(std::remove_if(echoes.begin(), echoes.end(),
                                [&](const Echo& e) { return e.frame > spanFrames; }),
                 echoes.end());
    page.echoes = echoes;
    page.dry = response.dry;

    page.wholeResponse = options.whole;
    page.frequencies =
        logFrequencies(lowestPlotHz(response.sampleRate), response.sampleRate, kResponsePoints);
    for (int side = 0; side < 2; ++side) {
        const auto s = static_cast<size_t>(side);
        const std::vector<float>& lane = response.wet[s];
        page.hasResponse[s] = std::any_of(echoes.begin(), echoes.end(),
                                          [&](const Echo& e) { return e.side == side; });
        if (!page.hasResponse[s]) continue;
        const std::vector<float> stretch =
            options.whole ? std::vector<float>(lane.begin(), lane.begin() + spanFrames + 1)
                          : firstEchoStretch(lane, echoes, side);
        // A whole tail's spectrum is a comb with a tooth every rate / loop length; each point
        // looks at least that far either side, so that the band holds a tooth and a gap.
        const double combHz = static_cast<double>(response.sampleRate) / (2 * window);
        page.response[s] = magnitudeResponse(stretch, response.sampleRate, page.frequencies,
                                             options.whole ? combHz : 0.0);
    }

    const std::vector<std::string> changed = changedParameters(code, impulse, table);
    const std::vector<std::string> modulated = modulations(impulse.values);
    // A preset is named by its name (and what --set changed over it); otherwise the setting is
    // its non-default parameters.
    if (start.preset)
        page.title =
            "Tarvo Delay: " + start.preset->name +
            (start.sets.empty() ? std::string()
                                : " with " + joined(setNames(start.sets, table), ", ", ", "));
    else
        page.title = "Tarvo Delay: " + (changed.empty() ? std::string("the default setting")
                                                        : joined(changed, ", ", ", "));
    std::string tempo = std::to_string(impulse.samplesPerTick) + " samples per tick";
    if (options.tempo.samplesPerTick == 0)
        tempo =
            fixed(
                options.tempo.beatsPerMinute,
                options.tempo.beatsPerMinute == std::floor(options.tempo.beatsPerMinute) ? 0 : 2) +
            " BPM, " + std::to_string(options.tempo.ticksPerBeat) + " ticks per beat (" + tempo +
            ")";
    const std::string impulseOn = impulse.side == ImpulseSide::Both   ? "both inputs"
                                  : impulse.side == ImpulseSide::Left ? "the left input"
                                                                      : "the right input";
    page.subtitle = tempo + "  \u00b7  " + std::to_string(impulse.sampleRate) +
                    " Hz  \u00b7  a full-scale impulse on " + impulseOn + "  \u00b7  " +
                    fixed(page.spanMs / 1000.0, page.spanMs < 1000.0 ? 3 : 1) + " s";
    if (!modulated.empty())
        page.note = "Modulated by " + joined(modulated, ", ", " and ") +
                    ": drawn as it plays in the first " + fixed(page.spanMs / 1000.0, 1) +
                    " s after the impulse";

    const Layout layout = layoutFor(size.width, size.height);
    files::SafeOutput output(options.output);
    const std::string picture = drawPicture(page, theme, layout, *format, output.name());
    output.writeAll(picture.data(), picture.size());
    output.commit();

    const std::string report =
        options.json ? jsonReport(page, changed, modulated, response, options, layout, theme)
                     : echoTableText(page.echoes, response);
    std::fputs(report.c_str(), stdout);
    return 0;
}

}  // namespace cli
