// Drives a plug-in binary through recorded sessions, the same source on Linux and on 64-bit
// Windows, so that the two builds' outputs can be compared bit for bit:
//   plugin_runner clap|vst3 PLUGIN OUT.f32
// Each session sets values before activation, renders a test signal in blocks with parameter and
// tempo events inside them, and carries its state into a fresh instance; OUT gets every output
// sample, interleaved stereo float32.
#include <clap/entry.h>
#include <clap/events.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/plugin-factory.h>
#include <travesty/audio_processor.h>
#include <travesty/component.h>
#include <travesty/edit_controller.h>
#include <travesty/factory.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "formats/identity.h"
#include "tests/clap/clap_events.h"
#include "tests/vst3/host_objects.h"

namespace {

void* openLibrary(const char* path) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(LoadLibraryA(path));
#else
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
}

void* symbol(void* library, const char* name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
#else
    return dlsym(library, name);
#endif
}

using claptest::Event;

const clap_host_t kHost = claptest::quietHost("plugin_runner");

struct Session {
    int32_t rate;
    uint32_t block;
    std::vector<Event> before;  // flushed before activation
    std::vector<Event> during;  // by frame of the whole run
};

// A click and noise from a fixed generator, the same on every platform.
std::vector<float> signal(size_t frames, uint32_t seed) {
    std::vector<float> samples(2 * frames);
    uint32_t x = seed;
    for (size_t i = 0; i < samples.size(); ++i) {
        x = x * 1664525u + 1013904223u;
        samples[i] = (i / 4000) % 3 == 0 ? static_cast<float>(x >> 8) / 16777216.0f - 0.5f : 0.0f;
    }
    samples[0] = 0.8f;
    return samples;
}

class Clap {
  public:
    explicit Clap(const char* path) {
        void* library = openLibrary(path);
        if (library == nullptr) return;
        entry_ = static_cast<const clap_plugin_entry_t*>(symbol(library, "clap_entry"));
        if (entry_ == nullptr || !entry_->init(path)) return;
        factory_ =
            static_cast<const clap_plugin_factory_t*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
    }
    bool usable() const { return factory_ != nullptr; }

    const clap_plugin_t* create() const {
        const clap_plugin_t* plugin = factory_->create_plugin(
            factory_, &kHost, factory_->get_plugin_descriptor(factory_, 0)->id);
        if (plugin != nullptr) plugin->init(plugin);
        return plugin;
    }

  private:
    const clap_plugin_entry_t* entry_ = nullptr;
    const clap_plugin_factory_t* factory_ = nullptr;
};

template <typename T>
const T* extension(const clap_plugin_t* plugin, const char* id) {
    return static_cast<const T*>(plugin->get_extension(plugin, id));
}

void render(const clap_plugin_t* plugin, const Session& s, const std::vector<float>& in,
            std::vector<float>& out) {
    const size_t frames = in.size() / 2;
    std::vector<float> l(frames), r(frames);
    for (size_t i = 0; i < frames; ++i) {
        l[i] = in[2 * i];
        r[i] = in[2 * i + 1];
    }
    for (size_t at = 0; at < frames; at += s.block) {
        const auto n = static_cast<uint32_t>(frames - at < s.block ? frames - at : s.block);
        std::vector<Event> here;
        for (Event e : s.during)
            if (e.frame >= at && e.frame < at + n) {
                e.frame -= static_cast<uint32_t>(at);
                here.push_back(e);
            }
        const claptest::InputEvents events(here);
        float* inputs[2] = {l.data() + at, r.data() + at};  // in place
        clap_audio_buffer_t buffer{inputs, nullptr, 2, 0, 0};
        clap_process_t process{};
        process.frames_count = n;
        process.audio_inputs = &buffer;
        process.audio_outputs = &buffer;
        process.audio_inputs_count = process.audio_outputs_count = 1;
        process.in_events = &events.list;
        plugin->process(plugin, &process);
    }
    for (size_t i = 0; i < frames; ++i) {
        out.push_back(l[i]);
        out.push_back(r[i]);
    }
}

// The sessions both formats run: the defaults; a busy setting at 133 BPM and 3 ticks a beat
// with changes and a host tempo inside blocks; blocks of 7 frames at 96 kHz.
const std::vector<Session>& sessions() {
    static const std::vector<Session> all = {
        {44100, 256, {}, {}},
        {48000,
         1000,
         {{0, 1, 1500, false},
          {0, 5, 70, false},
          {0, 31, 1, false},
          {0, 24, 1, false},
          {0, 26, 40, false},
          {0, 36, 133, false},
          {0, 37, 3, false}},
         {{10, 7, 3, false},
          {10, 9, 40, false},
          {5000, 2, 35000, false},
          {12345, 0, 90, true},
          {20000, 23, 3, false}}},
        {96000, 7, {{0, 3, 500, false}, {0, 6, 80, false}}, {{333, 0, 140, true}}},
    };
    return all;
}

bool runClap(const char* path, std::vector<float>& out) {
    const Clap clap(path);
    if (!clap.usable()) return false;
    const std::vector<Session>& sessions = ::sessions();
    for (size_t i = 0; i < sessions.size(); ++i) {
        const Session& s = sessions[i];
        const clap_plugin_t* plugin = clap.create();
        if (plugin == nullptr) return false;
        const auto* params = extension<clap_plugin_params_t>(plugin, CLAP_EXT_PARAMS);
        const claptest::InputEvents before(s.before);
        params->flush(plugin, &before.list, nullptr);
        if (!plugin->activate(plugin, s.rate, 1, 8192)) return false;
        render(plugin, s, signal(30000, static_cast<uint32_t>(i + 1)), out);

        // Its state, saved and loaded into a fresh instance, renders the same again.
        std::string state;
        const clap_ostream_t save{&state, [](const clap_ostream_t* o, const void* d, uint64_t n) {
                                      static_cast<std::string*>(o->ctx)->append(
                                          static_cast<const char*>(d), n);
                                      return static_cast<int64_t>(n);
                                  }};
        extension<clap_plugin_state_t>(plugin, CLAP_EXT_STATE)->save(plugin, &save);
        plugin->deactivate(plugin);
        plugin->destroy(plugin);
        const clap_plugin_t* fresh = clap.create();
        struct Reader {
            const std::string* text;
            size_t at;
        } reader{&state, 0};
        const clap_istream_t load{&reader, [](const clap_istream_t* s, void* d, uint64_t n) {
                                      auto& r = *static_cast<Reader*>(s->ctx);
                                      const size_t left = r.text->size() - r.at;
                                      const size_t count = n < left ? n : left;
                                      std::memcpy(d, r.text->data() + r.at, count);
                                      r.at += count;
                                      return static_cast<int64_t>(count);
                                  }};
        if (!extension<clap_plugin_state_t>(fresh, CLAP_EXT_STATE)->load(fresh, &load))
            return false;
        if (!fresh->activate(fresh, s.rate, 1, 8192)) return false;
        render(fresh, {s.rate, s.block, {}, {}}, signal(5000, 99), out);
        fresh->deactivate(fresh);
        fresh->destroy(fresh);
    }
    return true;
}

// VST 3: the processor alone, values as parameter changes at their frames (the values before
// activation at the first block's frame 0), the host's tempo in the process context from the
// block that holds its event on.
template <typename T, typename From>
T** query(From** from, const v3_tuid iid) {
    T** out = nullptr;
    return v3_cpp_obj_query_interface(from, iid, &out) == V3_OK ? out : nullptr;
}

class Vst3 {
  public:
    explicit Vst3(const char* path) {
        void* library = openLibrary(path);
        if (library == nullptr) return;
#if defined(_WIN32)
        using Entry = bool (*)();
        if (auto init = reinterpret_cast<Entry>(symbol(library, "InitDll")); init) init();
#else
        using Entry = bool (*)(void*);
        if (auto entry = reinterpret_cast<Entry>(symbol(library, "ModuleEntry")); entry)
            entry(library);
#endif
        using Factory = v3_plugin_factory** (*)();
        auto get = reinterpret_cast<Factory>(symbol(library, "GetPluginFactory"));
        if (get != nullptr) factory_ = get();
    }
    bool usable() const { return factory_ != nullptr; }

    template <typename T>
    T** create(const uint8_t (&id)[16], const v3_tuid iid) const {
        void* object = nullptr;
        v3_cpp_obj(factory_)->create_instance(factory_, id, iid, &object);
        return static_cast<T**>(object);
    }

  private:
    v3_plugin_factory** factory_ = nullptr;
};

struct Vst3Instance {
    v3_component** component;
    v3_audio_processor** processor;
};

Vst3Instance startVst3(const Vst3& vst3, int32_t rate) {
    auto** component = vst3.create<v3_component>(formats::kVst3ProcessorId, v3_component_iid);
    v3_cpp_obj_initialize(component, nullptr);
    auto** processor = query<v3_audio_processor>(component, v3_audio_processor_iid);
    v3_process_setup setup{0, 0, 8192, static_cast<double>(rate)};
    v3_cpp_obj(processor)->setup_processing(processor, &setup);
    v3_cpp_obj(component)->set_active(component, true);
    v3_cpp_obj(processor)->set_processing(processor, true);
    return {component, processor};
}

void stopVst3(const Vst3Instance& p) {
    v3_cpp_obj(p.processor)->set_processing(p.processor, false);
    v3_cpp_obj(p.component)->set_active(p.component, false);
    v3_cpp_obj_terminate(p.component);
    v3_cpp_obj_unref(p.processor);
    v3_cpp_obj_unref(p.component);
}

void renderVst3(const Vst3Instance& p, v3_edit_controller** controller, const Session& s,
                const std::vector<float>& in, std::vector<float>& out) {
    const size_t frames = in.size() / 2;
    std::vector<float> l(frames), r(frames);
    for (size_t i = 0; i < frames; ++i) {
        l[i] = in[2 * i];
        r[i] = in[2 * i + 1];
    }
    double tempo = 0.0;
    for (size_t at = 0; at < frames; at += s.block) {
        const auto n = static_cast<uint32_t>(frames - at < s.block ? frames - at : s.block);
        vst3test::Changes changes;
        const auto normalised = [&](const Event& e) {
            return v3_cpp_obj(controller)->plain_parameter_to_normalised(controller, e.id, e.value);
        };
        if (at == 0)
            for (const Event& e : s.before) changes.add(static_cast<int>(e.id), 0, normalised(e));
        for (const Event& e : s.during) {
            if (e.frame < at || e.frame >= at + n) continue;
            if (e.tempo)
                tempo = e.value;
            else
                changes.add(static_cast<int>(e.id), static_cast<int32_t>(e.frame - at),
                            normalised(e));
        }
        float* channels[2] = {l.data() + at, r.data() + at};  // in place
        v3_audio_bus_buffers buses{};
        buses.num_channels = 2;
        buses.channel_buffers_32 = channels;
        v3_process_context context{};
        context.sample_rate = s.rate;
        context.bpm = tempo;
        context.state = tempo > 0.0 ? V3_PROCESS_CTX_TEMPO_VALID : 0;
        v3_process_data data{};
        data.nframes = static_cast<int32_t>(n);
        data.num_input_buses = data.num_output_buses = 1;
        data.inputs = data.outputs = &buses;
        data.input_params = reinterpret_cast<v3_param_changes**>(&changes);
        data.ctx = &context;
        v3_cpp_obj(p.processor)->process(p.processor, &data);
    }
    for (size_t i = 0; i < frames; ++i) {
        out.push_back(l[i]);
        out.push_back(r[i]);
    }
}

bool runVst3(const char* path, std::vector<float>& out) {
    const Vst3 vst3(path);
    if (!vst3.usable()) return false;
    auto** controller =
        vst3.create<v3_edit_controller>(formats::kVst3ControllerId, v3_edit_controller_iid);
    if (controller == nullptr) return false;
    v3_cpp_obj_initialize(controller, nullptr);
    for (size_t i = 0; i < sessions().size(); ++i) {
        const Session& s = sessions()[i];
        const Vst3Instance p = startVst3(vst3, s.rate);
        renderVst3(p, controller, s, signal(30000, static_cast<uint32_t>(i + 1)), out);
        // Its state, saved and loaded into a fresh instance, renders the same again.
        vst3test::Stream saved;
        v3_cpp_obj(p.component)->get_state(p.component, reinterpret_cast<v3_bstream**>(&saved));
        stopVst3(p);
        const Vst3Instance fresh = startVst3(vst3, s.rate);
        vst3test::Stream load(saved.bytes);
        if (v3_cpp_obj(fresh.component)
                ->set_state(fresh.component, reinterpret_cast<v3_bstream**>(&load)) != V3_OK)
            return false;
        renderVst3(fresh, controller, {s.rate, s.block, {}, {}}, signal(5000, 99), out);
        stopVst3(fresh);
    }
    v3_cpp_obj_terminate(controller);
    v3_cpp_obj_unref(controller);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: plugin_runner clap|vst3 PLUGIN OUT.f32\n");
        return 2;
    }
    std::vector<float> out;
    const bool ran = std::strcmp(argv[1], "clap") == 0   ? runClap(argv[2], out)
                     : std::strcmp(argv[1], "vst3") == 0 ? runVst3(argv[2], out)
                                                         : false;
    if (!ran) {
        std::fprintf(stderr, "plugin_runner: cannot run %s %s\n", argv[1], argv[2]);
        return 1;
    }
    FILE* file = std::fopen(argv[3], "wb");
    if (file == nullptr || std::fwrite(out.data(), sizeof(float), out.size(), file) != out.size() ||
        std::fclose(file) != 0) {
        std::fprintf(stderr, "plugin_runner: cannot write %s\n", argv[3]);
        return 1;
    }
    std::printf("plugin_runner: %zu samples\n", out.size());
    return 0;
}
