// The options of tarvo-delay plot.
#include "cli/arguments.h"
#include "cli/number_options.h"
#include "cli/plot_limits.h"

namespace cli {

void addPlotCommand(CLI::App& app, Invocation& inv) {
    PlotOptions& p = inv.plot;
    CLI::App* plot = app.add_subcommand(
        "plot",
        "Draw the echoes and the wet path's frequency response of a setting into a PNG or SVG "
        "picture, and print the echo table");
    plot->footer(
        "A full-scale impulse (1.0, host value 32768) enters once every control has glided to "
        "its value: Inertia + 1 ticks after the start, on a tick boundary. Frames and times "
        "count from the impulse. The output at the impulse's frame is the dry signal alone "
        "(no echo sounds before one frame has passed); everything after it is the wet "
        "signal. An echo is a peak of one output above the floor that no larger peak within "
        "half a loop length outweighs. Levels are dB relative to the impulse; the polarity "
        "column gives the sign. The echo table has the columns frame, ms, ticks, level_db, "
        "side and polarity; --json prints it with the dry levels, the response curve and "
        "where the picture puts its axes (a time t is drawn at x = timeLeft + t / ms * "
        "(timeRight - timeLeft)).");
    plot->add_option("-o,--output", p.output, "The picture: FILE.png or FILE.svg")->required();
    plot->add_option("--preset", p.preset,
                     "A factory preset's name or a preset file, applied before any --set");
    plot->add_option("--set", p.settings,
                     "NAME=VALUE: a parameter by name or index, a raw value or a value text "
                     "(repeatable)")
        ->allow_extra_args(false);
    addTempoOptions(*plot, p.tempo);
    plot->add_option("--rate", p.sampleRate, "Sample rate in Hz")
        ->transform(sampleRateOption())
        ->capture_default_str();
    plot->add_option("--seconds", p.seconds,
                     "Time drawn after the impulse (default: until the echoes fall under the "
                     "floor, at most 30)")
        ->transform(decimalIn(kShortestPlotSeconds, kLongestPlotSeconds, "a time", "s"));
    plot->add_option("--side", p.side, "The impulse on both inputs, or only on one")
        ->check(CLI::IsMember({"both", "left", "right"}))
        ->capture_default_str();
    plot->add_option("--floor", p.floorDb, "Lowest level drawn and listed, in dB")
        ->transform(decimalIn(kLowestFloorDb, kHighestFloorDb, "a level", "dB"))
        ->capture_default_str();
    plot->add_flag("--whole", p.whole,
                   "The response of the whole wet signal, not of the first echo alone");
    plot->add_option("--theme", p.theme, "Background")
        ->check(CLI::IsMember({"dark", "light"}))
        ->capture_default_str();
    plot->add_option("--size", p.size, "Picture size in pixels, WIDTHxHEIGHT")
        ->capture_default_str();
    plot->add_flag("--json", p.json, "The echo table and the figures as JSON");
    plot->callback([&inv] { inv.command = Invocation::Plot; });
}

}  // namespace cli
