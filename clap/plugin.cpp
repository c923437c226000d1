// The CLAP plug-in: its entry, factory and extensions, each translated into the plug-in core's
// calls. Parameter and transport events split the block at their frames; what the host's main
// thread asks (values, texts, state) is answered from the controls' shared values and from
// machines of its own, never from the one that renders.
#include <clap/entry.h>
#include <clap/events.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/latency.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/plugin-factory.h>
#include <clap/plugin-features.h>
#include <clap/plugin.h>
#include <clap/process.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "core/linked_machine.h"
#include "core/plugin_core.h"
#include "formats/control_texts.h"
#include "formats/controls.h"
#include "formats/identity.h"
#include "formats/plugin_state.h"
#include "formats/shared_values.h"
#include "settings/parameter_table.h"

namespace {

using formats::kControlCount;

// The most bytes a state may have: a state of ours is a few kilobytes.
constexpr uint64_t kLargestState = 1 << 20;

const char* const kFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_DELAY,
                                 CLAP_PLUGIN_FEATURE_STEREO, nullptr};

const clap_plugin_descriptor_t& descriptor() {
    static const clap_plugin_descriptor_t descriptor = {
        CLAP_VERSION_INIT,      formats::kClapId,
        GetInfo()->displayName, GetInfo()->author,
        formats::kProjectUrl,   formats::kProjectUrl,
        formats::kProjectUrl,   formats::kVersion,
        formats::kDescription,  const_cast<const char**>(kFeatures)};
    return descriptor;
}

// One plug-in instance. The main thread's parts (texts, state) are made with it; the core's
// machine when the host activates it.
struct Instance {
    explicit Instance(const clap_host_t* host)
        : host(host),
          code(core::linkedMachine()),
          core(code),
          table(code),
          controls(formats::pluginControls(table)),
          texts(code, table),
          state(code, table),
          shared(state.defaults()) {}

    clap_plugin_t plugin{};
    const clap_host_t* host;
    core::MachineCode code;
    core::PluginCore core;
    settings::ParameterTable table;
    std::vector<formats::Control> controls;
    formats::ControlTexts texts;
    formats::StateText state;
    formats::SharedValues shared;
    int32_t sampleRate = 44100;
};

Instance& instance(const clap_plugin_t* plugin) {
    return *static_cast<Instance*>(plugin->plugin_data);
}

bool knownControl(clap_id id) { return id < static_cast<clap_id>(kControlCount); }

// A control's new value goes to the core and is what the host reads back.
void take(Instance& p, int id, double value) {
    formats::applyControl(p.core, id, value);
    p.shared.took(id, value);
}

// The parameter and transport events of a block, in their order; each takes effect at its frame
// (with `render`, after the frames before it are rendered).
void handleEvents(Instance& p, const clap_input_events_t* events, bool render) {
    if (events == nullptr) return;
    const uint32_t count = events->size(events);
    for (uint32_t i = 0; i < count; ++i) {
        const clap_event_header_t* header = events->get(events, i);
        if (header == nullptr || header->space_id != CLAP_CORE_EVENT_SPACE_ID) continue;
        if (header->type == CLAP_EVENT_PARAM_VALUE) {
            const auto* event = reinterpret_cast<const clap_event_param_value_t*>(header);
            if (!knownControl(event->param_id)) continue;
            if (render) p.core.renderTo(header->time);
            take(p, static_cast<int>(event->param_id), event->value);
        } else if (header->type == CLAP_EVENT_TRANSPORT) {
            const auto* event = reinterpret_cast<const clap_event_transport_t*>(header);
            if (!(event->flags & CLAP_TRANSPORT_HAS_TEMPO)) continue;
            if (render) p.core.renderTo(header->time);
            p.core.setHostTempo(event->tempo);
            p.shared.setHostTempo(event->tempo);
        }
    }
}

// What the main thread set since the renderer last looked.
void collectPosted(Instance& p) {
    p.shared.collect([&](int id, double value) { formats::applyControl(p.core, id, value); });
}

bool init(const clap_plugin_t*) { return true; }

void destroy(const clap_plugin_t* plugin) { delete &instance(plugin); }

bool activate(const clap_plugin_t* plugin, double rate, uint32_t, uint32_t) {
    Instance& p = instance(plugin);
    if (!(rate >= 1.0 && rate <= INT32_MAX)) return false;
    p.sampleRate = static_cast<int32_t>(std::lround(rate));
    collectPosted(p);
    return p.core.activate(p.sampleRate);
}

void deactivate(const clap_plugin_t*) {}
bool startProcessing(const clap_plugin_t*) { return true; }
void stopProcessing(const clap_plugin_t*) {}
void reset(const clap_plugin_t*) {}

clap_process_status process(const clap_plugin_t* plugin, const clap_process_t* process) {
    Instance& p = instance(plugin);
    collectPosted(p);
    if (process->transport != nullptr && (process->transport->flags & CLAP_TRANSPORT_HAS_TEMPO)) {
        p.core.setHostTempo(process->transport->tempo);
        p.shared.setHostTempo(process->transport->tempo);
    }
    const bool stereo = process->audio_inputs_count > 0 && process->audio_outputs_count > 0 &&
                        process->audio_inputs[0].channel_count == 2 &&
                        process->audio_outputs[0].channel_count == 2 &&
                        process->audio_inputs[0].data32 != nullptr &&
                        process->audio_outputs[0].data32 != nullptr;
    if (stereo) {
        const clap_audio_buffer_t& in = process->audio_inputs[0];
        const clap_audio_buffer_t& out = process->audio_outputs[0];
        p.core.startBlock(in.data32[0], in.data32[1], out.data32[0], out.data32[1],
                          process->frames_count);
    } else {
        p.core.startBlock(nullptr, nullptr, nullptr, nullptr, process->frames_count);
    }
    handleEvents(p, process->in_events, true);
    p.core.finishBlock();
    return CLAP_PROCESS_CONTINUE;
}

// audio-ports: one stereo input and output, processed in place.
uint32_t portCount(const clap_plugin_t*, bool) { return 1; }

bool portInfo(const clap_plugin_t*, uint32_t index, bool isInput, clap_audio_port_info_t* info) {
    if (index != 0) return false;
    info->id = 0;
    std::snprintf(info->name, sizeof info->name, "%s", isInput ? "Input" : "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = 0;
    return true;
}

const clap_plugin_audio_ports_t kAudioPorts = {portCount, portInfo};

uint32_t latency(const clap_plugin_t*) { return 0; }
const clap_plugin_latency_t kLatency = {latency};

// params
uint32_t paramCount(const clap_plugin_t*) { return kControlCount; }

bool paramInfo(const clap_plugin_t* plugin, uint32_t index, clap_param_info_t* info) {
    const Instance& p = instance(plugin);
    if (index >= static_cast<uint32_t>(kControlCount)) return false;
    const formats::Control& c = p.controls[index];
    *info = clap_param_info_t{};
    info->id = static_cast<clap_id>(c.id);
    info->flags = CLAP_PARAM_IS_AUTOMATABLE | (c.stepped ? CLAP_PARAM_IS_STEPPED : 0);
    std::snprintf(info->name, sizeof info->name, "%s", c.name.c_str());
    info->min_value = c.minValue;
    info->max_value = c.maxValue;
    info->default_value = c.defaultValue;
    return true;
}

bool paramValue(const clap_plugin_t* plugin, clap_id id, double* value) {
    if (!knownControl(id)) return false;
    *value = instance(plugin).shared.current(static_cast<int>(id));
    return true;
}

formats::TextContext contextOf(const Instance& p) {
    return formats::textContext(p.shared.all(), p.shared.hostTempo(), p.sampleRate);
}

bool valueToText(const clap_plugin_t* plugin, clap_id id, double value, char* display,
                 uint32_t size) {
    Instance& p = instance(plugin);
    if (!knownControl(id) || size == 0) return false;
    try {
        const std::string text = p.texts.text(static_cast<int>(id), value, contextOf(p));
        std::snprintf(display, size, "%s", text.c_str());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool textToValue(const clap_plugin_t* plugin, clap_id id, const char* display, double* value) {
    Instance& p = instance(plugin);
    if (!knownControl(id) || display == nullptr) return false;
    try {
        const std::optional<double> read =
            p.texts.read(static_cast<int>(id), display, contextOf(p));
        if (!read) return false;
        *value = *read;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Values without audio: they take effect before the next frame renders.
void flush(const clap_plugin_t* plugin, const clap_input_events_t* in,
           const clap_output_events_t*) {
    Instance& p = instance(plugin);
    collectPosted(p);
    handleEvents(p, in, false);
}

const clap_plugin_params_t kParams = {paramCount,  paramInfo,   paramValue,
                                      valueToText, textToValue, flush};

// state: the settings as text.
bool saveState(const clap_plugin_t* plugin, const clap_ostream_t* stream) {
    Instance& p = instance(plugin);
    try {
        const std::string text = p.state.write(p.shared.all());
        for (size_t at = 0; at < text.size();) {
            const int64_t wrote = stream->write(stream, text.data() + at, text.size() - at);
            if (wrote <= 0) return false;
            at += static_cast<size_t>(wrote);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool loadState(const clap_plugin_t* plugin, const clap_istream_t* stream) {
    Instance& p = instance(plugin);
    try {
        std::string text;
        char buffer[4096];
        for (;;) {
            const int64_t got = stream->read(stream, buffer, sizeof buffer);
            if (got < 0) return false;
            if (got == 0) break;
            text.append(buffer, static_cast<size_t>(got));
            if (text.size() > kLargestState) return false;
        }
        const std::optional<formats::ControlValues> values = p.state.read(text);
        if (!values) return false;
        for (int id = 0; id < kControlCount; ++id)
            p.shared.post(id, (*values)[static_cast<size_t>(id)]);
        const auto* params =
            static_cast<const clap_host_params_t*>(p.host->get_extension(p.host, CLAP_EXT_PARAMS));
        if (params != nullptr && params->rescan != nullptr)
            params->rescan(p.host, CLAP_PARAM_RESCAN_VALUES);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

const clap_plugin_state_t kState = {saveState, loadState};

const void* extension(const clap_plugin_t*, const char* id) {
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0) return &kAudioPorts;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &kParams;
    if (std::strcmp(id, CLAP_EXT_STATE) == 0) return &kState;
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0) return &kLatency;
    return nullptr;
}

void onMainThread(const clap_plugin_t*) {}

// factory
uint32_t pluginCount(const clap_plugin_factory_t*) { return 1; }

const clap_plugin_descriptor_t* pluginDescriptor(const clap_plugin_factory_t*, uint32_t index) {
    return index == 0 ? &descriptor() : nullptr;
}

const clap_plugin_t* createPlugin(const clap_plugin_factory_t*, const clap_host_t* host,
                                  const char* id) {
    if (host == nullptr || id == nullptr || std::strcmp(id, formats::kClapId) != 0) return nullptr;
    try {
        auto* p = new Instance(host);
        p->plugin = {
            &descriptor(),  p,     init,    destroy,   activate,    deactivate, startProcessing,
            stopProcessing, reset, process, extension, onMainThread};
        return &p->plugin;
    } catch (const std::exception&) {  // no memory, or no machine
        return nullptr;
    }
}

const clap_plugin_factory_t kFactory = {pluginCount, pluginDescriptor, createPlugin};

bool entryInit(const char*) { return true; }
void entryDeinit() {}
const void* factory(const char* id) {
    return std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}

}  // namespace

CLAP_EXPORT extern const clap_plugin_entry_t clap_entry = {CLAP_VERSION_INIT, entryInit,
                                                           entryDeinit, factory};
