// What a render costs per frame in the blocks plug-in hosts often send (32 frames) and in the
// host's own (256): through renderChannels, as the plug-ins call it, and through the host's
// interleaved path (its audio request, relayed to RenderStereo). Each benchmark renders both in
// turn, iteration by iteration, timed by this thread's CPU time, so that both meet the same
// load of a shared machine.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <random>
#include <vector>

#include "bench/bench_sessions.h"
#include "core/linked_machine.h"
#include "host/sample_scale.h"
#include "machine/channel_render.h"
#include "machine/exports.h"

namespace {

using bench::kFramesPerIteration;

struct Machine {
    explicit Machine(const bench::Settings& settings)
        : machine(core::linkedMachine(), 44100, 5512), record(*GetInfo()) {
        record.setDefaults();
        for (auto [index, value] : settings) record.set(index, value);
        machine.tick(record);
    }
    core::HostedMachine machine;
    core::ParameterRecord record;
};

double threadNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

void SideBySide(benchmark::State& state, const bench::Settings& settings) {
    const int block = static_cast<int>(state.range(0));
    Machine channels(settings), interleaved(settings);
    // The same half-scale noise as the other benchmarks, in either layout.
    std::mt19937 random(5);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<float> inLeft(kFramesPerIteration), inRight(kFramesPerIteration);
    std::vector<float> frames(2 * kFramesPerIteration);
    for (int i = 0; i < kFramesPerIteration; ++i) {
        inLeft[i] = noise(random);
        inRight[i] = noise(random);
        frames[2 * i] = inLeft[i] * kHostScale;
        frames[2 * i + 1] = inRight[i] * kHostScale;
    }
    std::vector<float> outLeft(block), outRight(block), buffer(2 * block);

    double channelsTime = 0.0, interleavedTime = 0.0;
    for (auto _ : state) {
        const double start = threadNanoseconds();
        for (int at = 0; at < kFramesPerIteration; at += block)
            renderChannels(channels.machine.machine(), inLeft.data() + at, inRight.data() + at,
                           outLeft.data(), outRight.data(), block);
        benchmark::DoNotOptimize(outLeft.data());
        const double middle = threadNanoseconds();
        for (int at = 0; at < kFramesPerIteration; at += block) {
            std::copy_n(frames.begin() + 2 * at, 2 * block, buffer.begin());
            interleaved.machine.render(buffer.data(), block, 3);
        }
        benchmark::DoNotOptimize(buffer.data());
        const double stop = threadNanoseconds();
        channelsTime += middle - start;
        interleavedTime += stop - middle;
    }
    const double rendered = static_cast<double>(state.iterations()) * kFramesPerIteration;
    state.counters["channels_per_frame"] = channelsTime / rendered;
    state.counters["interleaved_per_frame"] = interleavedTime / rendered;
    state.counters["channels_over_interleaved"] = channelsTime / interleavedTime;
}

void Defaults(benchmark::State& state) { SideBySide(state, {}); }
void FullChain(benchmark::State& state) { SideBySide(state, bench::kFullChain); }

BENCHMARK(Defaults)->ArgName("block")->Arg(32)->Arg(256);
BENCHMARK(FullChain)->ArgName("block")->Arg(32)->Arg(256);

}  // namespace

BENCHMARK_MAIN();
