// A small VST 3 host for the tests: loads our module by path, makes the processor and the edit
// controller through its factory, connects them as hosts do (with messages of its own making)
// and drives them through their interfaces. Beside it, the offline host's replay of the same
// session, for bit-for-bit comparison.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <travesty/audio_processor.h>
#include <travesty/component.h>
#include <travesty/edit_controller.h>
#include <travesty/factory.h>
#include <travesty/host.h>
#include <travesty/message.h>
#include <travesty/unit.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/plugin_core.h"
#include "formats/identity.h"
#include "machine/parameters.h"
#include "tests/plugin_session.h"
#include "tests/vst3/host_objects.h"

namespace vst3test {

constexpr int kTempoId = kParameterCount, kTicksPerBeatId = kParameterCount + 1;
constexpr int kProgramId = kParameterCount + 2;
constexpr int kPresetCount = 12;

using plugintest::Channels;
using plugintest::expectSame;
using plugintest::header;
using plugintest::machineLibrary;
using plugintest::replay;
using plugintest::samplesPerTick;
using plugintest::testSignal;

// The plain range of a parameter as the plug-in lists them, and a plain value's normalised one.
inline std::pair<double, double> rangeOf(int id) {
    if (id == kTempoId) return {core::kTempoMin, core::kTempoMax};
    if (id == kTicksPerBeatId) return {core::kTicksPerBeatMin, core::kTicksPerBeatMax};
    if (id == kProgramId) return {0, kPresetCount - 1};
    const ParameterDescriptor& d = *machineLibrary().info()->parameters[id];
    return {d.minValue, d.maxValue};
}
inline double normalised(int id, double plain) {
    const auto [lowest, highest] = rangeOf(id);
    return (plain - lowest) / (highest - lowest);
}

// Messages with number attributes, which the host application makes for the plug-in.
struct Attributes : Object<v3_attribute_list_cpp> {
    std::map<std::string, int64_t> numbers;
    std::map<std::string, double> floats;
};
struct Message : Object<v3_message_cpp> {
    Message();
    uint32_t references = 1;
    std::string id;
    Attributes attributes;
};
inline Message::Message() {
    static const v3_attribute_list_cpp attributeTable = {
        {queryOnly<Attributes, v3_attribute_list_iid>, counted, counted},
        {[](void* self, const char* key, int64_t v) -> v3_result {
             static_cast<Attributes*>(self)->numbers[key] = v;
             return V3_OK;
         },
         [](void* self, const char* key, int64_t* v) -> v3_result {
             const auto& numbers = static_cast<Attributes*>(self)->numbers;
             const auto found = numbers.find(key);
             if (found == numbers.end()) return V3_FALSE;
             *v = found->second;
             return V3_OK;
         },
         [](void* self, const char* key, double v) -> v3_result {
             static_cast<Attributes*>(self)->floats[key] = v;
             return V3_OK;
         },
         [](void* self, const char* key, double* v) -> v3_result {
             const auto& floats = static_cast<Attributes*>(self)->floats;
             const auto found = floats.find(key);
             if (found == floats.end()) return V3_FALSE;
             *v = found->second;
             return V3_OK;
         },
         [](void*, const char*, const int16_t*) -> v3_result { return V3_NOT_IMPLEMENTED; },
         [](void*, const char*, int16_t*, uint32_t) -> v3_result { return V3_FALSE; },
         [](void*, const char*, const void*, uint32_t) -> v3_result { return V3_NOT_IMPLEMENTED; },
         [](void*, const char*, const void**, uint32_t*) -> v3_result { return V3_FALSE; }}};
    static const v3_message_cpp messageTable = {
        {queryOnly<Message, v3_message_iid>,
         [](void* self) { return ++static_cast<Message*>(self)->references; },
         [](void* self) {
             auto* m = static_cast<Message*>(self);
             const uint32_t left = --m->references;
             if (left == 0) delete m;
             return left;
         }},
        {[](void* self) { return static_cast<Message*>(self)->id.c_str(); },
         [](void* self, const char* id) { static_cast<Message*>(self)->id = id; },
         [](void* self) {
             return reinterpret_cast<v3_attribute_list**>(&static_cast<Message*>(self)->attributes);
         }}};
    table = &messageTable;
    attributes.table = &attributeTable;
}

struct HostApplication : Object<v3_host_application_cpp> {
    HostApplication() {
        static const v3_host_application_cpp applicationTable = {
            {queryOnly<HostApplication, v3_host_application_iid>, counted, counted},
            {[](void*, v3_str_128 name) -> v3_result {
                 for (int i = 0; i < 5; ++i) name[i] = "test"[i];
                 return V3_OK;
             },
             [](void*, v3_tuid cid, v3_tuid iid, void** out) -> v3_result {
                 if (!v3_tuid_match(cid, v3_message_iid) || !v3_tuid_match(iid, v3_message_iid))
                     return V3_NO_INTERFACE;
                 *out = new Message();
                 return V3_OK;
             }}};
        table = &applicationTable;
    }
};

// Counts the controller's requests to read its parameters again.
struct HandlerTable : v3_funknown {
    v3_component_handler handler;
};
struct ComponentHandler : Object<HandlerTable> {
    ComponentHandler() {
        static const HandlerTable handlerTable = {
            {queryOnly<ComponentHandler, v3_component_handler_iid>, counted, counted},
            {[](void*, v3_param_id) -> v3_result { return V3_OK; },
             [](void*, v3_param_id, double) -> v3_result { return V3_OK; },
             [](void*, v3_param_id) -> v3_result { return V3_OK; },
             [](void* self, int32_t flags) -> v3_result {
                 static_cast<ComponentHandler*>(self)->restarts.push_back(flags);
                 return V3_OK;
             }}};
        table = &handlerTable;
    }
    std::vector<int32_t> restarts;
};

// Our module, loaded once for the test program.
inline v3_plugin_factory** factory() {
    static v3_plugin_factory** loaded = [] {
        void* module = dlopen(TARVO_VST3_BINARY, RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) return static_cast<v3_plugin_factory**>(nullptr);
        auto entry = reinterpret_cast<bool (*)(void*)>(dlsym(module, "ModuleEntry"));
        auto get = reinterpret_cast<void* (*)()>(dlsym(module, "GetPluginFactory"));
        if (entry == nullptr || get == nullptr || !entry(module))
            return static_cast<v3_plugin_factory**>(nullptr);
        return static_cast<v3_plugin_factory**>(get());
    }();
    return loaded;
}

template <typename Interface>
Interface** create(const v3_tuid classId, const v3_tuid iid) {
    void* made = nullptr;
    if (v3_cpp_obj(factory())->create_instance(factory(), classId, iid, &made) != V3_OK)
        return nullptr;
    return static_cast<Interface**>(made);
}

template <typename Interface, typename From>
Interface** query(From** from, const v3_tuid iid) {
    Interface** out = nullptr;
    return v3_cpp_obj_query_interface(from, iid, &out) == V3_OK ? out : nullptr;
}

// One instance: the processor and its controller, initialized and connected.
class Plugin {
  public:
    Plugin();
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    bool ok() const { return component && processor && controller && units; }
    void activate(double rate, int32_t maxBlock = 8192);
    void deactivate();

    // One process call: frames at `in` and `out`, changes at their frames, the host's tempo
    // when it is above 0.
    v3_result process(const float* inL, const float* inR, float* outL, float* outR, int32_t frames,
                      Changes* changes = nullptr, double tempo = 0.0);
    // Whole channels in blocks of `block` frames; `at(from, block's changes)` adds a block's
    // changes, by their frame in the block, and gives its tempo.
    template <typename At>
    Channels run(const Channels& in, int32_t block, At at);
    Channels run(const Channels& in, int32_t block) {
        return run(in, block, [](size_t, int32_t, Changes&) { return 0.0; });
    }

    std::optional<std::string> state();
    v3_result setState(const std::string& text);

    // The controller's text for a plain value, and the plain value it reads from a text.
    std::string text(int id, double plain);
    std::optional<double> read(int id, const std::string& typed);
    double plain(int id) {
        const auto [lowest, highest] = rangeOf(id);
        const double v = lowest + v3_cpp_obj(controller)->get_parameter_normalised(controller, id) *
                                      (highest - lowest);
        return id == kTempoId ? v : std::round(v);  // the others are whole numbers
    }
    void setPlain(int id, double plain) {
        v3_cpp_obj(controller)->set_parameter_normalised(controller, id, normalised(id, plain));
    }

    HostApplication host;
    ComponentHandler handler;
    v3_component** component = nullptr;
    v3_audio_processor** processor = nullptr;
    v3_edit_controller** controller = nullptr;
    v3_unit_information** units = nullptr;

  private:
    v3_connection_point** processorPoint_ = nullptr;
    v3_connection_point** controllerPoint_ = nullptr;
    bool active_ = false;
};

inline Plugin::Plugin() {
    if (factory() == nullptr) return;
    component = create<v3_component>(formats::kVst3ProcessorId, v3_component_iid);
    if (component == nullptr) return;
    auto* context = reinterpret_cast<v3_funknown**>(&host);
    v3_cpp_obj_initialize(component, context);
    processor = query<v3_audio_processor>(component, v3_audio_processor_iid);
    v3_tuid controllerId;
    v3_cpp_obj(component)->get_controller_class_id(component, controllerId);
    controller = create<v3_edit_controller>(controllerId, v3_edit_controller_iid);
    if (controller == nullptr) return;
    v3_cpp_obj_initialize(controller, context);
    units = query<v3_unit_information>(controller, v3_unit_information_iid);
    v3_cpp_obj(controller)
        ->set_component_handler(controller, reinterpret_cast<v3_component_handler**>(&handler));
    processorPoint_ = query<v3_connection_point>(component, v3_connection_point_iid);
    controllerPoint_ = query<v3_connection_point>(controller, v3_connection_point_iid);
    if (processorPoint_ && controllerPoint_) {
        v3_cpp_obj(processorPoint_)->connect(processorPoint_, controllerPoint_);
        v3_cpp_obj(controllerPoint_)->connect(controllerPoint_, processorPoint_);
    }
}

inline Plugin::~Plugin() {
    if (active_) deactivate();
    if (processorPoint_ && controllerPoint_) {
        v3_cpp_obj(processorPoint_)->disconnect(processorPoint_, controllerPoint_);
        v3_cpp_obj(controllerPoint_)->disconnect(controllerPoint_, processorPoint_);
    }
    for (auto** point : {processorPoint_, controllerPoint_})
        if (point) v3_cpp_obj_unref(point);
    if (units) v3_cpp_obj_unref(units);
    if (controller) {
        v3_cpp_obj(controller)->set_component_handler(controller, nullptr);
        v3_cpp_obj_terminate(controller);
        v3_cpp_obj_unref(controller);
    }
    if (processor) v3_cpp_obj_unref(processor);
    if (component) {
        v3_cpp_obj_terminate(component);
        v3_cpp_obj_unref(component);
    }
}

inline void Plugin::activate(double rate, int32_t maxBlock) {
    v3_process_setup setup{V3_REALTIME, V3_SAMPLE_32, maxBlock, rate};
    ASSERT_EQ(v3_cpp_obj(processor)->setup_processing(processor, &setup), V3_OK);
    ASSERT_EQ(v3_cpp_obj(component)->set_active(component, true), V3_OK);
    v3_cpp_obj(processor)->set_processing(processor, true);
    active_ = true;
}

inline void Plugin::deactivate() {
    v3_cpp_obj(processor)->set_processing(processor, false);
    v3_cpp_obj(component)->set_active(component, false);
    active_ = false;
}

inline v3_result Plugin::process(const float* inL, const float* inR, float* outL, float* outR,
                                 int32_t frames, Changes* changes, double tempo) {
    float* in[2] = {const_cast<float*>(inL), const_cast<float*>(inR)};
    float* out[2] = {outL, outR};
    v3_audio_bus_buffers inBus{}, outBus{};
    inBus.num_channels = outBus.num_channels = 2;
    inBus.channel_buffers_32 = in;
    outBus.channel_buffers_32 = out;
    v3_process_context context{};
    context.sample_rate = 44100;
    context.state = tempo > 0.0 ? V3_PROCESS_CTX_TEMPO_VALID : 0;
    context.bpm = tempo;
    v3_process_data data{};
    data.process_mode = V3_REALTIME;
    data.symbolic_sample_size = V3_SAMPLE_32;
    data.nframes = frames;
    data.num_input_buses = data.num_output_buses = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.input_params = reinterpret_cast<v3_param_changes**>(changes);
    data.ctx = &context;
    return v3_cpp_obj(processor)->process(processor, &data);
}

template <typename At>
Channels Plugin::run(const Channels& in, int32_t block, At at) {
    Channels out{std::vector<float>(in.left.size()), std::vector<float>(in.right.size())};
    for (size_t from = 0; from < in.left.size(); from += static_cast<size_t>(block)) {
        const auto n = static_cast<int32_t>(std::min<size_t>(block, in.left.size() - from));
        Changes changes;
        const double tempo = at(from, n, changes);
        process(in.left.data() + from, in.right.data() + from, out.left.data() + from,
                out.right.data() + from, n, &changes, tempo);
    }
    return out;
}

inline std::optional<std::string> Plugin::state() {
    Stream stream;
    if (v3_cpp_obj(component)->get_state(component, reinterpret_cast<v3_bstream**>(&stream)) !=
        V3_OK)
        return std::nullopt;
    return stream.bytes;
}

// The component's state, and the controller brought in step with it, as hosts load a session.
inline v3_result Plugin::setState(const std::string& text) {
    Stream forComponent(text), forController(text);
    const v3_result r =
        v3_cpp_obj(component)->set_state(component, reinterpret_cast<v3_bstream**>(&forComponent));
    const v3_result c =
        v3_cpp_obj(controller)
            ->set_component_state(controller, reinterpret_cast<v3_bstream**>(&forController));
    return r == c ? r : V3_INTERNAL_ERR;
}

inline std::string toUtf8(const int16_t* text) {
    std::string out;  // enough for the tests' texts: the BMP
    for (; *text != 0; ++text) {
        const auto c = static_cast<uint16_t>(*text);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

inline std::string Plugin::text(int id, double plain) {
    v3_str_128 text{};
    if (v3_cpp_obj(controller)
            ->get_parameter_string_for_value(controller, id, normalised(id, plain), text) != V3_OK)
        return "(refused)";
    return toUtf8(text);
}

inline std::optional<double> Plugin::read(int id, const std::string& typed) {
    std::vector<int16_t> text;
    for (size_t i = 0; i < typed.size(); ++i) {
        const auto c = static_cast<unsigned char>(typed[i]);
        if (c < 0x80) {
            text.push_back(static_cast<int16_t>(c));
        } else {  // two bytes: enough for "°"
            text.push_back(static_cast<int16_t>(((c & 0x1F) << 6) | (typed[++i] & 0x3F)));
        }
    }
    text.push_back(0);
    constexpr double kUntouched = -12345.0;
    double value = kUntouched;
    const v3_result r =
        v3_cpp_obj(controller)->get_parameter_value_for_string(controller, id, text.data(), &value);
    if (r != V3_OK) {
        EXPECT_EQ(value, kUntouched) << "a refused text changed the value";
        return std::nullopt;
    }
    const auto [lowest, highest] = rangeOf(id);
    return lowest + value * (highest - lowest);
}

}  // namespace vst3test
