// The plot page: two lanes of echo stems over time and the wet path's magnitude response,
// drawn with cairo into a PNG or an SVG by the same code.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plot/echo_table.h"
#include "plot/spectrum.h"

namespace plot {

enum class PictureFormat { Png, Svg };

inline constexpr double kLowestPlotHz = 20.0;  // left end of the response's frequency axis

// The left end of the frequency axis at `sampleRate`: kLowestPlotHz, or two decades below half
// the rate where that lies lower (rates of a few kilohertz and less).
double lowestPlotHz(int32_t sampleRate);

// An axis step: 1, 2 or 5 times a power of ten, at least `rough`.
double niceStep(double rough);

// From the file's extension (.png, .svg, any case); none for another.
std::optional<PictureFormat> pictureFormatFor(const std::string& path);

struct Colour {
    double r = 0, g = 0, b = 0;
};

struct Theme {
    Colour background, text, muted, grid, beat, left, right, dry;
};

// "dark" or "light".
Theme themeNamed(const std::string& name);
std::string hexColour(const Colour& colour);

struct Box {
    double left = 0, top = 0, right = 0, bottom = 0;
};

// Where the page puts its parts. Time t (ms, 0 to the span) is drawn at
// x = timeLeft + t / span × (timeRight − timeLeft) in both lanes.
struct Layout {
    int width = 1200, height = 800;
    double timeLeft = 0, timeRight = 0;
    double dryX = 0;           // the dry impulse's stem, left of the time axis
    std::array<Box, 2> lanes;  // left output, right output
    Box spectrum;
    double scale = 1.0;  // of text and lines, from the page size
};

Layout layoutFor(int width, int height);

struct Page {
    std::string title, subtitle, note;
    int32_t sampleRate = 44100;
    int32_t samplesPerTick = 5250;
    int ticksPerBeat = 0;  // 0: beats unknown, only ticks marked
    double spanMs = 1000.0;
    double floorDb = -60.0;
    std::array<float, 2> dry{};
    std::vector<Echo> echoes;
    std::vector<double> frequencies;
    std::array<bool, 2> hasResponse{};
    std::array<Response, 2> response;
    bool wholeResponse = false;  // a comb's band and peak line rather than one curve
};

// The lanes' top level in dB: 0 dB or above the loudest stem, on a 6 dB grid.
double laneTopDb(const Page& page);

// The picture's bytes in the format; PlotError naming `name` when cairo fails.
std::string drawPicture(const Page& page, const Theme& theme, const Layout& layout,
                        PictureFormat format, const std::string& name);

}  // namespace plot
