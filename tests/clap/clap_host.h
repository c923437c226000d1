// A small CLAP host for the tests: loads our .clap by path as a host does, creates the plug-in,
// and runs it block by block with parameter and transport events at given frames.
#pragma once

#include <clap/entry.h>
#include <clap/events.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/plugin-factory.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tests/clap/clap_events.h"
#include "tests/plugin_session.h"

namespace claptest {

class Plugin {
  public:
    Plugin() {
        library_ = dlopen(TARVO_CLAP_PATH, RTLD_NOW | RTLD_LOCAL);
        if (library_ == nullptr) return;
        entry_ = static_cast<const clap_plugin_entry_t*>(dlsym(library_, "clap_entry"));
        if (entry_ == nullptr || !entry_->init(TARVO_CLAP_PATH)) return;
        const auto* factory =
            static_cast<const clap_plugin_factory_t*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
        host_.host_data = this;
        plugin =
            factory->create_plugin(factory, &host_, factory->get_plugin_descriptor(factory, 0)->id);
        if (plugin == nullptr || !plugin->init(plugin)) return;
        params = static_cast<const clap_plugin_params_t*>(
            plugin->get_extension(plugin, CLAP_EXT_PARAMS));
        state =
            static_cast<const clap_plugin_state_t*>(plugin->get_extension(plugin, CLAP_EXT_STATE));
    }
    ~Plugin() {
        if (plugin != nullptr) {
            if (active_) plugin->deactivate(plugin);
            plugin->destroy(plugin);
        }
        if (entry_ != nullptr) entry_->deinit();
        if (library_ != nullptr) dlclose(library_);
    }
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    bool activate(double rate) {
        if (active_) plugin->deactivate(plugin);
        active_ = plugin->activate(plugin, rate, 1, 8192);
        return active_;
    }

    // Values without audio, as a host sends them before it starts or between blocks.
    void flush(const std::vector<Event>& events) {
        InputEvents in(events);
        params->flush(plugin, &in.list, nullptr);
    }

    // One block over separate buffers (or the same ones), events at frames inside it.
    void run(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames,
             const std::vector<Event>& events = {}) {
        const InputEvents list(events);
        run(inL, inR, outL, outR, frames, list);
    }
    void run(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames,
             const InputEvents& list) {
        float* inputs[2] = {const_cast<float*>(inL), const_cast<float*>(inR)};
        float* outputs[2] = {outL, outR};
        clap_audio_buffer_t in{inputs, nullptr, 2, 0, 0}, out{outputs, nullptr, 2, 0, 0};
        clap_process_t process{};
        process.frames_count = frames;
        process.audio_inputs = &in;
        process.audio_outputs = &out;
        process.audio_inputs_count = process.audio_outputs_count = 1;
        process.in_events = &list.list;
        plugin->process(plugin, &process);
    }

    // Whole channels in blocks of `block` frames; events by their frame in the whole run.
    plugintest::Channels process(const plugintest::Channels& input, uint32_t block,
                                 const std::vector<Event>& events = {}) {
        plugintest::Channels out{std::vector<float>(input.left.size()),
                                 std::vector<float>(input.left.size())};
        for (size_t at = 0; at < input.left.size(); at += block) {
            const auto n = static_cast<uint32_t>(std::min<size_t>(block, input.left.size() - at));
            std::vector<Event> here;
            for (Event e : events)
                if (e.frame >= at && e.frame < at + n) {
                    e.frame -= static_cast<uint32_t>(at);
                    here.push_back(e);
                }
            run(input.left.data() + at, input.right.data() + at, out.left.data() + at,
                out.right.data() + at, n, here);
        }
        return out;
    }

    std::string save() const {
        std::string bytes;
        clap_ostream_t stream{&bytes, [](const clap_ostream_t* s, const void* data, uint64_t n) {
                                  static_cast<std::string*>(s->ctx)->append(
                                      static_cast<const char*>(data), n);
                                  return static_cast<int64_t>(n);
                              }};
        return state->save(plugin, &stream) ? bytes : std::string();
    }
    bool load(const std::string& bytes) const {
        struct Reader {
            const std::string& bytes;
            size_t at = 0;
        } reader{bytes};
        clap_istream_t stream{&reader, [](const clap_istream_t* s, void* data, uint64_t n) {
                                  auto& r = *static_cast<Reader*>(s->ctx);
                                  const size_t count = std::min<size_t>(n, r.bytes.size() - r.at);
                                  std::memcpy(data, r.bytes.data() + r.at, count);
                                  r.at += count;
                                  return static_cast<int64_t>(count);
                              }};
        return state->load(plugin, &stream);
    }

    std::string text(uint32_t id, double value) const {
        char display[256] = {};
        return params->value_to_text(plugin, id, value, display, sizeof display) ? display
                                                                                 : "(none)";
    }
    std::optional<double> read(uint32_t id, const char* text) const {
        double value = 0.0;
        if (!params->text_to_value(plugin, id, text, &value)) return std::nullopt;
        return value;
    }
    double value(uint32_t id) const {
        double value = -1.0;
        params->get_value(plugin, id, &value);
        return value;
    }

    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_state_t* state = nullptr;

  private:
    void* library_ = nullptr;
    const clap_plugin_entry_t* entry_ = nullptr;
    clap_host_t host_ = quietHost("tarvo-delay tests");
    bool active_ = false;
};

// The settings as events at frame 0.
inline std::vector<Event> settingEvents(const plugintest::Settings& settings) {
    std::vector<Event> events;
    for (auto [index, value] : settings)
        events.push_back({0, static_cast<uint32_t>(index), static_cast<double>(value)});
    return events;
}

}  // namespace claptest
