// Two builds of the plug-in library side by side in one process: each round renders one
// iteration with either, in turn, so that a noisy machine slows both alike. Prints the median
// nanoseconds per frame of each and the median of the per-round ratios, and checks that both
// give the same output bits.
//   render_compare OLD.so NEW.so [ROUNDS [SETTING...]]
// With settings named, only those run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "bench/bench_sessions.h"
#include "offline/plugin_library.h"

namespace {

using bench::Settings;

struct Case {
    const char* name;
    Settings settings;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"Defaults", {}},
        {"FullChain", bench::kFullChain},
        {"Chorus", {{ParamChorusLfoType, 1}}},
        {"Filter", {{ParamFilterType, 1}, {ParamCutoff, 40000}, {ParamResonance, 30}}},
        {"Clipping", {{ParamModeLeft, 3}, {ParamModeRight, 3}, {ParamModeParamLeft, 50}}},
        {"PanSweep", {{ParamPanLfoType, 1}}},
        {"ShortLoops", bench::kShortLoops},
        {"ShortUneven", bench::kShortUneven},
    };
    return all;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double nanosecondsPerFrame(bench::Session& session) {
    const auto start = std::chrono::steady_clock::now();
    session.run(false);
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / bench::kFramesPerIteration;
}

void compare(const offline::PluginLibrary& old, const offline::PluginLibrary& now, const Case& c,
             int rounds) {
    bench::Session a(old.code(), c.settings);
    bench::Session b(now.code(), c.settings);
    std::vector<double> timesA, timesB, ratios;
    bool same = true;
    for (int r = 0; r < rounds; ++r) {
        const bool aFirst = r % 2 == 0;  // neither build always runs with a warm cache
        const double first = nanosecondsPerFrame(aFirst ? a : b);
        const double second = nanosecondsPerFrame(aFirst ? b : a);
        const double ta = aFirst ? first : second, tb = aFirst ? second : first;
        timesA.push_back(ta);
        timesB.push_back(tb);
        ratios.push_back(tb / ta);
        same = same &&
               std::memcmp(a.buffer.data(), b.buffer.data(), a.buffer.size() * sizeof(float)) == 0;
    }
    std::printf("%-10s %8.2f %8.2f %7.3f  %s\n", c.name, median(timesA), median(timesB),
                median(ratios), same ? "same output" : "OUTPUT DIFFERS");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: render_compare OLD.so NEW.so [ROUNDS [SETTING...]]\n");
        return 2;
    }
    const int rounds = argc >= 4 ? std::atoi(argv[3]) : 200;
    if (rounds < 1) {
        std::fprintf(stderr, "render_compare: ROUNDS must be a positive number\n");
        return 2;
    }
    const auto named = [](const Case& c, const char* name) {
        return std::strcmp(c.name, name) == 0;
    };
    for (int i = 4; i < argc; ++i) {
        if (std::none_of(cases().begin(), cases().end(),
                         [&](const Case& c) { return named(c, argv[i]); })) {
            std::fprintf(stderr, "render_compare: no setting is called \"%s\"\n", argv[i]);
            return 2;
        }
    }
    try {
        const offline::PluginLibrary old(argv[1]), now(argv[2]);
        std::printf("%-10s %8s %8s %7s  (ns per frame, medians of %d rounds)\n", "", "old", "new",
                    "new/old", rounds);
        for (const Case& c : cases()) {
            const bool chosen =
                argc <= 4 || std::any_of(argv + 4, argv + argc,
                                         [&](const char* name) { return named(c, name); });
            if (chosen) compare(old, now, c, rounds);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "render_compare: %s\n", e.what());
        return 1;
    }
    return 0;
}
