// The LV2 plug-in through its entry points (connect_port, run) beside the machine's own render
// through our offline host, with the same settings and input, blocks of 256 frames. Each
// benchmark renders both in turn, iteration by iteration, so that both meet the same machine
// load; "wrapper_share" is the plug-in's time over the machine's, less one.
#include <benchmark/benchmark.h>
#include <lv2/core/lv2.h>
#include <time.h>

#include <string>

#include "bench_sessions.h"
#include "core/linked_machine.h"
#include "host/sample_scale.h"
#include "lv2/ports.h"
#include "machine/exports.h"

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);

namespace {

using bench::kBlock;
using bench::kBlocksPerIteration;

struct PluginSession {
    explicit PluginSession(const bench::Settings& settings, const std::vector<float>& hostInput)
        : descriptor(lv2_descriptor(0)) {
        handle = descriptor->instantiate(descriptor, 44100.0, "", nullptr);
        const MachineDescription& info = *GetInfo();
        for (int i = 0; i < kParameterCount; ++i)
            controls[i] = static_cast<float>(info.parameters[i]->defaultValue);
        for (auto [index, value] : settings) controls[index] = static_cast<float>(value);
        for (int i = 0; i < kParameterCount; ++i)
            descriptor->connect_port(handle, lv2port::FirstParameter + i, &controls[i]);
        descriptor->connect_port(handle, lv2port::Tempo, &tempo);
        descriptor->connect_port(handle, lv2port::TicksPerBeat, &ticksPerBeat);
        // 5512 samples per tick, as the machine's session renders at.
        tempo = static_cast<float>(44100.0 * 60.0 / (5512.0 * 4.0));
        left.resize(hostInput.size() / 2);
        right.resize(hostInput.size() / 2);
        for (size_t i = 0; i < left.size(); ++i) {
            left[i] = hostInput[2 * i] * kUnitScale;
            right[i] = hostInput[2 * i + 1] * kUnitScale;
        }
        outLeft.resize(kBlock);
        outRight.resize(kBlock);
        descriptor->connect_port(handle, lv2port::OutLeft, outLeft.data());
        descriptor->connect_port(handle, lv2port::OutRight, outRight.data());
        descriptor->activate(handle);
    }
    ~PluginSession() {
        descriptor->deactivate(handle);
        descriptor->cleanup(handle);
    }

    void run() {
        for (int b = 0; b < kBlocksPerIteration; ++b) {
            descriptor->connect_port(handle, lv2port::InLeft, left.data() + kBlock * b);
            descriptor->connect_port(handle, lv2port::InRight, right.data() + kBlock * b);
            descriptor->run(handle, kBlock);
        }
        benchmark::DoNotOptimize(outLeft.data());
    }

    const LV2_Descriptor* descriptor;
    LV2_Handle handle;
    float controls[kParameterCount];
    float tempo = 120.0f, ticksPerBeat = 4.0f;
    std::vector<float> left, right, outLeft, outRight;
};

// CPU time of this thread: the machine is shared, and wall time counts the others' work too.
double threadNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

void SideBySide(benchmark::State& state, const bench::Settings& settings) {
    bench::Session machine(core::linkedMachine(), settings);
    PluginSession plugin(settings, machine.input);
    double machineTime = 0.0, pluginTime = 0.0;
    for (auto _ : state) {
        const double start = threadNanoseconds();
        machine.run(false);
        const double middle = threadNanoseconds();
        plugin.run();
        const double stop = threadNanoseconds();
        machineTime += middle - start;
        pluginTime += stop - middle;
    }
    const double frames = static_cast<double>(state.iterations()) * kBlock * kBlocksPerIteration;
    state.counters["machine_per_frame"] = machineTime / frames;
    state.counters["plugin_per_frame"] = pluginTime / frames;
    state.counters["wrapper_share"] = pluginTime / machineTime - 1.0;
}

void Defaults(benchmark::State& state) { SideBySide(state, {}); }
void FullChain(benchmark::State& state) { SideBySide(state, bench::kFullChain); }

BENCHMARK(Defaults);
BENCHMARK(FullChain);

}  // namespace

BENCHMARK_MAIN();
