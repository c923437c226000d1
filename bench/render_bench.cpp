// Render throughput of the machine: frames per second and nanoseconds per frame, blocks of
// 256 frames as the host sends them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "bench/bench_sessions.h"
#include "core/linked_machine.h"
#include "machine/exports.h"

namespace {

using bench::kBlock;
using bench::kBlocksPerIteration;
using bench::kFullChain;
using bench::Settings;

struct Session : bench::Session {
    explicit Session(const Settings& settings) : bench::Session(core::linkedMachine(), settings) {}
    void run(bool silent) {
        bench::Session::run(silent);
        benchmark::DoNotOptimize(buffer.data());
    }
};

void report(benchmark::State& state) {
    const double frames = static_cast<double>(state.iterations()) * kBlock * kBlocksPerIteration;
    state.SetItemsProcessed(static_cast<int64_t>(frames));
    state.counters["per_frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void renderWith(benchmark::State& state, const Settings& settings) {
    Session session(settings);
    for (auto _ : state) session.run(false);
    report(state);
}

void Defaults(benchmark::State& state) { renderWith(state, {}); }
void DelayMode(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    renderWith(state, {{ParamModeLeft, mode},
                       {ParamModeRight, mode},
                       {ParamModeParamLeft, 50},
                       {ParamModeParamRight, 50}});
}
void FullChain(benchmark::State& state) { renderWith(state, kFullChain); }
void ShortLoops(benchmark::State& state) { renderWith(state, bench::kShortLoops); }
void ShortUneven(benchmark::State& state) { renderWith(state, bench::kShortUneven); }

// One stage at a time on top of the defaults, to see where the full chain's time goes.
void Chorus(benchmark::State& state) { renderWith(state, {{ParamChorusLfoType, 1}}); }
void Filter(benchmark::State& state) {
    renderWith(state, {{ParamFilterType, 1}, {ParamCutoff, 40000}, {ParamResonance, 30}});
}
void FilterSweep(benchmark::State& state) {
    renderWith(state, {{ParamFilterType, 1},
                       {ParamFilterLfoType, 1},
                       {ParamCutoff, 40000},
                       {ParamResonance, 30}});
}
void SampleAndHold(benchmark::State& state) { renderWith(state, {{ParamResample, 22050}}); }
void PanSweep(benchmark::State& state) { renderWith(state, {{ParamPanLfoType, 1}}); }

// Loud input with long feedback on short loops, then silence: after the warm-up the decaying
// loops, the chorus ring and the filter histories lie below the smallest normal float, where
// subnormal numbers would cost many times the work (the counter tail_peak shows the level).
Settings tailSettings() {
    Settings s = kFullChain;
    s.push_back({ParamDelayLeft, 100});
    s.push_back({ParamDelayRight, 100});
    s.push_back({ParamFeedbackLeft, 95});
    s.push_back({ParamFeedbackRight, 95});
    return s;
}
void TailWithSignal(benchmark::State& state) { renderWith(state, tailSettings()); }
void SilentTail(benchmark::State& state) {
    Session session(tailSettings());
    for (int i = 0; i < 40; ++i) session.run(false);
    for (int i = 0; i < 400; ++i) session.run(true);  // let the echoes decay towards nothing
    float peak = 0.0f;
    for (float s : session.buffer) peak = std::max(peak, std::fabs(s));
    for (auto _ : state) session.run(true);
    report(state);
    state.counters["tail_peak"] = peak;
}

// The two tails in turn, iteration by iteration, so that both meet the machine in the same
// mood: the counters give each one's nanoseconds per frame and the ratio.
void TailsSideBySide(benchmark::State& state) {
    Session silent(tailSettings()), signal(tailSettings());
    for (int i = 0; i < 40; ++i) silent.run(false);
    for (int i = 0; i < 400; ++i) silent.run(true);
    double silentTime = 0.0, signalTime = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        silent.run(true);
        const auto middle = std::chrono::steady_clock::now();
        signal.run(false);
        const auto stop = std::chrono::steady_clock::now();
        silentTime += std::chrono::duration<double, std::nano>(middle - start).count();
        signalTime += std::chrono::duration<double, std::nano>(stop - middle).count();
    }
    const double frames = static_cast<double>(state.iterations()) * kBlock * kBlocksPerIteration;
    state.counters["silent_per_frame"] = silentTime / frames;
    state.counters["signal_per_frame"] = signalTime / frames;
    state.counters["silent_over_signal"] = silentTime / signalTime;
}

BENCHMARK(Defaults);
BENCHMARK(DelayMode)->DenseRange(0, 5)->ArgName("mode");
BENCHMARK(FullChain);
BENCHMARK(ShortLoops);
BENCHMARK(ShortUneven);
BENCHMARK(Chorus);
BENCHMARK(Filter);
BENCHMARK(FilterSweep);
BENCHMARK(SampleAndHold);
BENCHMARK(PanSweep);
BENCHMARK(TailWithSignal);
BENCHMARK(SilentTail);
BENCHMARK(TailsSideBySide);

}  // namespace

BENCHMARK_MAIN();
