// The VST 3 audio processor: IComponent and IAudioProcessor over the plug-in core, with a
// connection to the edit controller and the context it asks the host for. Parameter changes
// split the block at their frames; what the host's main thread does (state, setup) reaches the
// renderer only through the controls' shared values, collected at the start of a block.
#include "vst3/processor.h"

#include <travesty/audio_processor.h>
#include <travesty/component.h>
#include <travesty/host.h>
#include <travesty/message.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "core/linked_machine.h"
#include "core/plugin_core.h"
#include "formats/controls.h"
#include "formats/identity.h"
#include "formats/plugin_state.h"
#include "formats/shared_values.h"
#include "settings/parameter_table.h"
#include "vst3/com.h"
#include "vst3/messages.h"
#include "vst3/parameter_changes.h"
#include "vst3/parameters.h"
#include "vst3/stream.h"
#include "vst3/utf16.h"

namespace vst3 {

namespace {

// The most bytes a state may have: a state of ours is a few kilobytes.
constexpr size_t kLargestState = 1 << 20;
constexpr v3_speaker_arrangement kStereo = V3_SPEAKER_L | V3_SPEAKER_R;
constexpr uint32_t kInfiniteTail = UINT32_MAX;

struct Processor {
    Processor();
    void* find(const v3_tuid iid);

    References refs;
    Face<Processor> component, processor, connection, requirements;
    core::MachineCode code;
    core::PluginCore core;
    settings::ParameterTable table;
    std::vector<formats::Control> controls;
    Ranges ranges;
    formats::StateText state;
    formats::SharedValues shared;
    const std::vector<formats::ControlValues>& presets;  // each factory preset's, by index
    HostObject<v3_host_application> host;
    HostObject<v3_connection_point> peer;
    int32_t sampleRate = 44100;
};

Processor& processorOf(void* self) { return ownerOf<Processor>(self); }

// Every factory preset's values over the defaults, the same for every instance: read once, when
// the first instance is made on the host's main thread, and only looked up after.
const std::vector<formats::ControlValues>& factoryPresetValues(
    const core::MachineCode& code, const settings::ParameterTable& table) {
    static const std::vector<formats::ControlValues> values = [&] {
        formats::StateText reader(code, table);
        std::vector<formats::ControlValues> read;
        for (int i = 0; i < formats::kFactoryPresetCount; ++i)
            read.push_back(reader.preset(i, reader.defaults()));
        return read;
    }();
    return values;
}

// A control's new value goes to the core and is what the host reads back.
void take(Processor& p, int id, double value) {
    formats::applyControl(p.core, id, value);
    p.shared.took(id, value);
}

// What the main thread set since the renderer last looked.
void collectPosted(Processor& p) {
    p.shared.collect([&](int id, double value) { formats::applyControl(p.core, id, value); });
}

// IPluginBase
v3_result V3_API initialize(void* self, v3_funknown** context) {
    processorOf(self).host.query(context, v3_host_application_iid);
    return V3_OK;
}

v3_result V3_API terminate(void* self) {
    Processor& p = processorOf(self);
    p.peer.drop();
    p.host.drop();
    return V3_OK;
}

// IComponent: one stereo input bus and one stereo output bus.
v3_result V3_API controllerClassId(void*, v3_tuid id) {
    std::memcpy(id, formats::kVst3ControllerId, sizeof(v3_tuid));
    return V3_OK;
}

v3_result V3_API setIoMode(void*, int32_t) { return V3_NOT_IMPLEMENTED; }

int32_t V3_API busCount(void*, int32_t mediaType, int32_t) { return mediaType == V3_AUDIO ? 1 : 0; }

bool ourBus(int32_t mediaType, int32_t direction, int32_t index) {
    return mediaType == V3_AUDIO && (direction == V3_INPUT || direction == V3_OUTPUT) && index == 0;
}

v3_result V3_API busInfo(void*, int32_t mediaType, int32_t direction, int32_t index,
                         v3_bus_info* info) {
    if (info == nullptr || !ourBus(mediaType, direction, index)) return V3_INVALID_ARG;
    *info = v3_bus_info{};
    info->media_type = V3_AUDIO;
    info->direction = direction;
    info->channel_count = 2;
    toUtf16(direction == V3_INPUT ? "Stereo In" : "Stereo Out", info->bus_name, 128);
    info->bus_type = V3_MAIN;
    info->flags = V3_DEFAULT_ACTIVE;
    return V3_OK;
}

v3_result V3_API routingInfo(void*, v3_routing_info*, v3_routing_info*) {
    return V3_NOT_IMPLEMENTED;
}

v3_result V3_API activateBus(void*, int32_t mediaType, int32_t direction, int32_t index, v3_bool) {
    return ourBus(mediaType, direction, index) ? V3_OK : V3_INVALID_ARG;
}

// The machine is made at the host's rate on activation, fresh unless it has not rendered yet.
v3_result V3_API setActive(void* self, v3_bool state) {
    Processor& p = processorOf(self);
    if (!state) return V3_OK;
    collectPosted(p);
    return p.core.activate(p.sampleRate) ? V3_OK : V3_FALSE;
}

v3_result V3_API setState(void* self, v3_bstream** stream) {
    Processor& p = processorOf(self);
    try {
        const std::optional<std::string> text = readText(stream, kLargestState);
        if (!text) return V3_FALSE;
        const std::optional<formats::ControlValues> values = p.state.read(*text);
        if (!values) return V3_FALSE;
        for (int id = 0; id < formats::kControlCount; ++id)
            p.shared.post(id, (*values)[static_cast<size_t>(id)]);
        return V3_OK;
    } catch (const std::exception&) {
        return V3_FALSE;
    }
}

v3_result V3_API getState(void* self, v3_bstream** stream) {
    Processor& p = processorOf(self);
    try {
        return writeText(stream, p.state.write(p.shared.all())) ? V3_OK : V3_FALSE;
    } catch (const std::exception&) {
        return V3_FALSE;
    }
}

// IAudioProcessor
v3_result V3_API setBusArrangements(void*, v3_speaker_arrangement* inputs, int32_t inputCount,
                                    v3_speaker_arrangement* outputs, int32_t outputCount) {
    const bool stereo = inputCount == 1 && outputCount == 1 && inputs != nullptr &&
                        outputs != nullptr && inputs[0] == kStereo && outputs[0] == kStereo;
    return stereo ? V3_OK : V3_FALSE;
}

v3_result V3_API busArrangement(void*, int32_t direction, int32_t index,
                                v3_speaker_arrangement* arrangement) {
    if (arrangement == nullptr || !ourBus(V3_AUDIO, direction, index)) return V3_INVALID_ARG;
    *arrangement = kStereo;
    return V3_OK;
}

v3_result V3_API canProcessSampleSize(void*, int32_t size) {
    return size == V3_SAMPLE_32 ? V3_OK : V3_FALSE;
}

uint32_t V3_API latency(void*) { return 0; }

v3_result V3_API setupProcessing(void* self, v3_process_setup* setup) {
    Processor& p = processorOf(self);
    if (setup == nullptr || setup->symbolic_sample_size != V3_SAMPLE_32 ||
        !(setup->sample_rate >= 1.0 && setup->sample_rate <= INT32_MAX))
        return V3_FALSE;
    p.sampleRate = static_cast<int32_t>(std::lround(setup->sample_rate));
    sendRate(p.host.get(), p.peer.get(), p.sampleRate);
    return V3_OK;
}

v3_result V3_API setProcessing(void*, v3_bool) { return V3_OK; }

// A bus's two channels, or none.
float* const* stereoChannels(int32_t busCount, const v3_audio_bus_buffers* buses) {
    if (busCount < 1 || buses == nullptr || buses[0].num_channels != 2) return nullptr;
    float* const* channels = buses[0].channel_buffers_32;
    return channels != nullptr && channels[0] != nullptr && channels[1] != nullptr ? channels
                                                                                   : nullptr;
}

// A program change sets every parameter of its preset, as prepared on the main thread.
void choosePreset(Processor& p, double normalised) {
    const auto index = static_cast<size_t>(p.ranges[kProgramId].toPlain(normalised));
    const formats::ControlValues& values = p.presets[index];
    for (int id = 0; id < kParameterCount; ++id) take(p, id, values[static_cast<size_t>(id)]);
}

v3_result V3_API process(void* self, v3_process_data* data) {
    Processor& p = processorOf(self);
    if (data == nullptr) return V3_INVALID_ARG;
    if (data->symbolic_sample_size != V3_SAMPLE_32) return V3_FALSE;
    collectPosted(p);
    if (data->ctx != nullptr && (data->ctx->state & V3_PROCESS_CTX_TEMPO_VALID))
        p.core.setHostTempo(data->ctx->bpm);
    float* const* in = stereoChannels(data->num_input_buses, data->inputs);
    float* const* out = stereoChannels(data->num_output_buses, data->outputs);
    p.core.startBlock(in != nullptr ? in[0] : nullptr, in != nullptr ? in[1] : nullptr,
                      out != nullptr ? out[0] : nullptr, out != nullptr ? out[1] : nullptr,
                      data->nframes > 0 ? static_cast<uint32_t>(data->nframes) : 0u);
    forEachPoint(data->input_params, kListedCount,
                 [&](v3_param_id id, uint32_t frame, double normalised) {
                     p.core.renderTo(frame);
                     if (!std::isfinite(normalised)) return;  // changes nothing
                     if (id == kProgramId)
                         choosePreset(p, normalised);
                     else
                         take(p, static_cast<int>(id), p.ranges[id].toPlain(normalised));
                 });
    p.core.finishBlock();
    if (out != nullptr) data->outputs[0].channel_silence_bitset = 0;
    return V3_OK;
}

uint32_t V3_API tailSamples(void*) { return kInfiniteTail; }  // the feedback may hold forever

// IConnectionPoint: the edit controller learns the sample rate through it, and tells the values
// the host sets on it, which the processor's state holds from then on.
v3_result V3_API connect(void* self, v3_connection_point** other) {
    Processor& p = processorOf(self);
    if (other == nullptr) return V3_INVALID_ARG;
    p.peer.keep(other);
    sendRate(p.host.get(), p.peer.get(), p.sampleRate);
    return V3_OK;
}

v3_result V3_API disconnect(void* self, v3_connection_point**) {
    processorOf(self).peer.drop();
    return V3_OK;
}

v3_result V3_API notify(void* self, v3_message** message) {
    const std::optional<std::pair<int, double>> value = valueIn(message);
    if (!value) return V3_FALSE;
    processorOf(self).shared.post(value->first, value->second);
    return V3_OK;
}

// IProcessContextRequirements
uint32_t V3_API contextRequirements(void*) { return V3_PROCESS_CTX_NEED_TEMPO; }

const v3_component_cpp kComponent = {unknownOf<Processor>(),
                                     {initialize, terminate},
                                     {controllerClassId, setIoMode, busCount, busInfo, routingInfo,
                                      activateBus, setActive, setState, getState}};
const v3_audio_processor_cpp kAudioProcessor = {
    unknownOf<Processor>(),
    {setBusArrangements, busArrangement, canProcessSampleSize, latency, setupProcessing,
     setProcessing, process, tailSamples}};
const v3_connection_point_cpp kConnection = {unknownOf<Processor>(), {connect, disconnect, notify}};
const v3_process_context_requirements_cpp kRequirements = {unknownOf<Processor>(),
                                                           {contextRequirements}};

Processor::Processor()
    : component{&kComponent, this},
      processor{&kAudioProcessor, this},
      connection{&kConnection, this},
      requirements{&kRequirements, this},
      code(core::linkedMachine()),
      core(code),
      table(code),
      controls(formats::pluginControls(table)),
      ranges(parameterRanges(controls)),
      state(code, table),
      shared(state.defaults()),
      presets(factoryPresetValues(code, table)) {}

void* Processor::find(const v3_tuid iid) {
    if (v3_tuid_match(iid, v3_funknown_iid) || v3_tuid_match(iid, v3_plugin_base_iid) ||
        v3_tuid_match(iid, v3_component_iid))
        return &component;
    if (v3_tuid_match(iid, v3_audio_processor_iid)) return &processor;
    if (v3_tuid_match(iid, v3_connection_point_iid)) return &connection;
    if (v3_tuid_match(iid, v3_process_context_requirements_iid)) return &requirements;
    return nullptr;
}

}  // namespace

v3_result createProcessor(const v3_tuid iid, void** instance) {
    try {
        auto* p = new Processor();
        *instance = p->find(iid);
        if (*instance != nullptr) return V3_OK;
        delete p;
        return V3_NO_INTERFACE;
    } catch (const std::exception&) {  // no memory, or no machine
        *instance = nullptr;
        return V3_NOMEM;
    }
}

}  // namespace vst3
