// The CLAP and VST 3 plug-ins through their entry points (the built binaries, loaded as a host
// loads them) beside
// the plug-in core rendering the same frames, blocks of 256 frames at the defaults and with the
// full chain. Each benchmark renders both in turn, iteration by iteration, so both meet the same
// machine load; "adapter_share" is the plug-in's time over the core's, less one.
#include <benchmark/benchmark.h>
#include <clap/entry.h>
#include <clap/ext/params.h>
#include <clap/plugin-factory.h>
#include <dlfcn.h>
#include <time.h>
#include <travesty/audio_processor.h>
#include <travesty/component.h>
#include <travesty/edit_controller.h>
#include <travesty/factory.h>

#include <random>
#include <vector>

#include "bench/bench_sessions.h"
#include "core/linked_machine.h"
#include "core/plugin_core.h"
#include "formats/identity.h"
#include "tests/clap/clap_events.h"
#include "tests/vst3/host_objects.h"

namespace {

using bench::kBlock;
using bench::kBlocksPerIteration;
using bench::kFramesPerIteration;

double threadNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// Unit-scale noise at half scale, as the machine's benchmarks use.
struct Input {
    Input()
        : left(kFramesPerIteration), right(kFramesPerIteration), outLeft(kBlock), outRight(kBlock) {
        std::mt19937 random(5);
        std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
        for (int i = 0; i < kFramesPerIteration; ++i) {
            left[i] = noise(random);
            right[i] = noise(random);
        }
    }
    std::vector<float> left, right, outLeft, outRight;
};

struct CoreSession {
    explicit CoreSession(const bench::Settings& settings) : core(core::linkedMachine()) {
        for (auto [index, value] : settings) core.setValue(index, value);
        core.activate(44100);
    }
    void run(Input& in) {
        for (int b = 0; b < kBlocksPerIteration; ++b) {
            core.startBlock(in.left.data() + kBlock * b, in.right.data() + kBlock * b,
                            in.outLeft.data(), in.outRight.data(), kBlock);
            core.finishBlock();
        }
        benchmark::DoNotOptimize(in.outLeft.data());
    }
    core::PluginCore core;
};

class ClapSession {
  public:
    explicit ClapSession(const bench::Settings& settings) {
        library_ = dlopen(TARVO_CLAP_PATH, RTLD_NOW | RTLD_LOCAL);
        entry_ = static_cast<const clap_plugin_entry_t*>(dlsym(library_, "clap_entry"));
        entry_->init(TARVO_CLAP_PATH);
        const auto* factory =
            static_cast<const clap_plugin_factory_t*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
        plugin_ =
            factory->create_plugin(factory, &host_, factory->get_plugin_descriptor(factory, 0)->id);
        plugin_->init(plugin_);
        std::vector<clap_event_param_value_t> values;
        for (auto [index, value] : settings) {
            clap_event_param_value_t e{};
            e.header = {sizeof e, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
            e.param_id = static_cast<clap_id>(index);
            e.note_id = -1;
            e.port_index = e.channel = e.key = -1;
            e.value = value;
            values.push_back(e);
        }
        struct List {
            std::vector<clap_event_param_value_t>* values;
        } list{&values};
        const clap_input_events_t events{
            &list,
            [](const clap_input_events_t* l) {
                return static_cast<uint32_t>(static_cast<List*>(l->ctx)->values->size());
            },
            [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
                return &(*static_cast<List*>(l->ctx)->values)[i].header;
            }};
        const auto* params = static_cast<const clap_plugin_params_t*>(
            plugin_->get_extension(plugin_, CLAP_EXT_PARAMS));
        params->flush(plugin_, &events, nullptr);
        plugin_->activate(plugin_, 44100, 1, kBlock);
    }
    ~ClapSession() {
        plugin_->deactivate(plugin_);
        plugin_->destroy(plugin_);
        entry_->deinit();
        dlclose(library_);
    }
    void run(Input& in) {
        for (int b = 0; b < kBlocksPerIteration; ++b) {
            float* inputs[2] = {in.left.data() + kBlock * b, in.right.data() + kBlock * b};
            float* outputs[2] = {in.outLeft.data(), in.outRight.data()};
            clap_audio_buffer_t input{inputs, nullptr, 2, 0, 0}, output{outputs, nullptr, 2, 0, 0};
            clap_process_t process{};
            process.frames_count = kBlock;
            process.audio_inputs = &input;
            process.audio_outputs = &output;
            process.audio_inputs_count = process.audio_outputs_count = 1;
            process.in_events = &kNoEvents;
            plugin_->process(plugin_, &process);
        }
        benchmark::DoNotOptimize(in.outLeft.data());
    }

  private:
    static constexpr clap_input_events_t kNoEvents = {
        nullptr, [](const clap_input_events_t*) { return 0u; },
        [](const clap_input_events_t*, uint32_t) -> const clap_event_header_t* { return nullptr; }};
    clap_host_t host_ = claptest::quietHost("formats_bench");
    void* library_ = nullptr;
    const clap_plugin_entry_t* entry_ = nullptr;
    const clap_plugin_t* plugin_ = nullptr;
};

// The VST 3 processor alone, its settings as parameter changes in its first block.
class Vst3Session {
  public:
    explicit Vst3Session(const bench::Settings& settings) {
        library_ = dlopen(TARVO_VST3_PATH, RTLD_NOW | RTLD_LOCAL);
        using Entry = bool (*)(void*);
        reinterpret_cast<Entry>(dlsym(library_, "ModuleEntry"))(library_);
        using Factory = v3_plugin_factory** (*)();
        v3_plugin_factory** factory =
            reinterpret_cast<Factory>(dlsym(library_, "GetPluginFactory"))();
        void* made = nullptr;
        v3_cpp_obj(factory)->create_instance(factory, formats::kVst3ProcessorId, v3_component_iid,
                                             &made);
        component_ = static_cast<v3_component**>(made);
        v3_cpp_obj_initialize(component_, nullptr);
        v3_cpp_obj_query_interface(component_, v3_audio_processor_iid, &processor_);
        v3_cpp_obj(factory)->create_instance(factory, formats::kVst3ControllerId,
                                             v3_edit_controller_iid, &made);
        auto** controller = static_cast<v3_edit_controller**>(made);
        v3_cpp_obj_initialize(controller, nullptr);
        for (auto [index, value] : settings)
            first_.add(
                index, 0,
                v3_cpp_obj(controller)->plain_parameter_to_normalised(controller, index, value));
        v3_cpp_obj_terminate(controller);
        v3_cpp_obj_unref(controller);
        v3_process_setup setup{0, 0, kBlock, 44100.0};
        v3_cpp_obj(processor_)->setup_processing(processor_, &setup);
        v3_cpp_obj(component_)->set_active(component_, true);
        v3_cpp_obj(processor_)->set_processing(processor_, true);
    }
    ~Vst3Session() {
        v3_cpp_obj(processor_)->set_processing(processor_, false);
        v3_cpp_obj(component_)->set_active(component_, false);
        v3_cpp_obj_terminate(component_);
        v3_cpp_obj_unref(processor_);
        v3_cpp_obj_unref(component_);
        using Exit = bool (*)();
        reinterpret_cast<Exit>(dlsym(library_, "ModuleExit"))();
        dlclose(library_);
    }
    void run(Input& in) {
        for (int b = 0; b < kBlocksPerIteration; ++b) {
            float* inputs[2] = {in.left.data() + kBlock * b, in.right.data() + kBlock * b};
            float* outputs[2] = {in.outLeft.data(), in.outRight.data()};
            v3_audio_bus_buffers input{}, output{};
            input.num_channels = output.num_channels = 2;
            input.channel_buffers_32 = inputs;
            output.channel_buffers_32 = outputs;
            v3_process_data data{};
            data.nframes = kBlock;
            data.num_input_buses = data.num_output_buses = 1;
            data.inputs = &input;
            data.outputs = &output;
            data.input_params = reinterpret_cast<v3_param_changes**>(started_ ? &none_ : &first_);
            started_ = true;
            v3_cpp_obj(processor_)->process(processor_, &data);
        }
        benchmark::DoNotOptimize(in.outLeft.data());
    }

  private:
    void* library_ = nullptr;
    v3_component** component_ = nullptr;
    v3_audio_processor** processor_ = nullptr;
    vst3test::Changes first_, none_;
    bool started_ = false;
};

template <typename Adapter>
void SideBySide(benchmark::State& state, const bench::Settings& settings) {
    Input in;
    CoreSession core(settings);
    Adapter adapter(settings);
    double coreTime = 0.0, adapterTime = 0.0;
    for (auto _ : state) {
        const double start = threadNanoseconds();
        core.run(in);
        const double middle = threadNanoseconds();
        adapter.run(in);
        const double stop = threadNanoseconds();
        coreTime += middle - start;
        adapterTime += stop - middle;
    }
    const double frames = static_cast<double>(state.iterations()) * kFramesPerIteration;
    state.counters["core_per_frame"] = coreTime / frames;
    state.counters["adapter_per_frame"] = adapterTime / frames;
    state.counters["adapter_share"] = adapterTime / coreTime - 1.0;
}

void ClapDefaults(benchmark::State& state) { SideBySide<ClapSession>(state, {}); }
void ClapFullChain(benchmark::State& state) { SideBySide<ClapSession>(state, bench::kFullChain); }
void Vst3Defaults(benchmark::State& state) { SideBySide<Vst3Session>(state, {}); }
void Vst3FullChain(benchmark::State& state) { SideBySide<Vst3Session>(state, bench::kFullChain); }
BENCHMARK(ClapDefaults);
BENCHMARK(ClapFullChain);
BENCHMARK(Vst3Defaults);
BENCHMARK(Vst3FullChain);

}  // namespace

BENCHMARK_MAIN();
