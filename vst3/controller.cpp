// The VST 3 edit controller: the parameters as the host lists, shows and reads them, and the
// factory presets as the root unit's program list. It keeps the values the host set, in step
// with the processor's state when the host hands that over, and shows and reads texts with
// machines of its own on the host's main thread, at the rate the processor tells it.
#include "vst3/controller.h"

#include <travesty/edit_controller.h>
#include <travesty/message.h>
#include <travesty/unit.h>

#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "core/linked_machine.h"
#include "formats/control_texts.h"
#include "formats/controls.h"
#include "formats/plugin_state.h"
#include "settings/parameter_table.h"
#include "vst3/com.h"
#include "vst3/messages.h"
#include "vst3/parameters.h"
#include "vst3/stream.h"
#include "vst3/utf16.h"

namespace vst3 {

namespace {

constexpr size_t kLargestState = 1 << 20;
// The longest text a host may hand us to read, in UTF-16 units with its zero.
constexpr size_t kLongestTyped = 1024;

struct Controller {
    Controller();
    void* find(const v3_tuid iid);

    References refs;
    Face<Controller> controller, units, connection;
    core::MachineCode code;
    settings::ParameterTable table;
    std::vector<formats::Control> controls;
    Ranges ranges;
    formats::ControlTexts texts;
    formats::StateText state;
    formats::ControlValues values;  // plain, as the host set them
    int32_t program = 0;
    int32_t sampleRate = 44100;
    HostObject<v3_component_handler> handler;
    HostObject<v3_host_application> host;
    HostObject<v3_connection_point> peer;
};

Controller& controllerOf(void* self) { return ownerOf<Controller>(self); }

bool listed(v3_param_id id) { return id < static_cast<v3_param_id>(kListedCount); }

formats::TextContext contextOf(const Controller& c) {
    return formats::textContext(c.values, 0.0, c.sampleRate);
}

// IPluginBase
v3_result V3_API initialize(void* self, v3_funknown** context) {
    controllerOf(self).host.query(context, v3_host_application_iid);
    return V3_OK;
}

v3_result V3_API terminate(void* self) {
    Controller& c = controllerOf(self);
    c.handler.drop();
    c.host.drop();
    c.peer.drop();
    return V3_OK;
}

// IEditController
v3_result V3_API setComponentState(void* self, v3_bstream** stream) {
    Controller& c = controllerOf(self);
    try {
        const std::optional<std::string> text = readText(stream, kLargestState);
        const std::optional<formats::ControlValues> read =
            text ? c.state.read(*text) : std::nullopt;
        if (!read) return V3_FALSE;
        c.values = *read;
        return V3_OK;
    } catch (const std::exception&) {
        return V3_FALSE;
    }
}

// The controller has no state of its own: the processor's holds every setting.
v3_result V3_API setState(void*, v3_bstream**) { return V3_OK; }
v3_result V3_API getState(void*, v3_bstream**) { return V3_OK; }

int32_t V3_API parameterCount(void*) { return kListedCount; }

v3_result V3_API parameterInfoAt(void* self, int32_t index, v3_param_info* info) {
    const Controller& c = controllerOf(self);
    if (info == nullptr || index < 0 || index >= kListedCount) return V3_INVALID_ARG;
    *info = parameterInfo(index, c.controls, c.ranges);
    return V3_OK;
}

v3_result V3_API stringForValue(void* self, v3_param_id id, double normalised, v3_str_128 out) {
    Controller& c = controllerOf(self);
    if (!listed(id) || out == nullptr) return V3_INVALID_ARG;
    try {
        const double plain = c.ranges[id].toPlain(normalised);
        if (id == kProgramId) {
            toUtf16(formats::kFactoryPresets[static_cast<int>(plain)].name, out, 128);
        } else {
            toUtf16(c.texts.text(static_cast<int>(id), plain, contextOf(c)), out, 128);
        }
        return V3_OK;
    } catch (const std::exception&) {
        return V3_FALSE;
    }
}

// A factory preset's index by its name, case and spaces ignored.
std::optional<double> presetNamed(const std::string& typed) {
    for (int i = 0; i < formats::kFactoryPresetCount; ++i)
        if (settings::normalizedName(formats::kFactoryPresets[i].name) ==
            settings::normalizedName(typed))
            return static_cast<double>(i);
    return std::nullopt;
}

v3_result V3_API valueForString(void* self, v3_param_id id, int16_t* typed, double* out) {
    Controller& c = controllerOf(self);
    if (!listed(id) || out == nullptr) return V3_INVALID_ARG;
    try {
        const std::optional<std::string> text = fromUtf16(typed, kLongestTyped);
        if (!text) return V3_FALSE;
        const std::optional<double> plain =
            id == kProgramId ? presetNamed(*text)
                             : c.texts.read(static_cast<int>(id), *text, contextOf(c));
        if (!plain) return V3_FALSE;
        *out = c.ranges[id].toNormalised(*plain);
        return V3_OK;
    } catch (const std::exception&) {
        return V3_FALSE;
    }
}

double V3_API toPlain(void* self, v3_param_id id, double normalised) {
    return listed(id) ? controllerOf(self).ranges[id].toPlain(normalised) : normalised;
}

double V3_API toNormalised(void* self, v3_param_id id, double plain) {
    return listed(id) ? controllerOf(self).ranges[id].toNormalised(plain) : plain;
}

double V3_API normalisedValue(void* self, v3_param_id id) {
    const Controller& c = controllerOf(self);
    if (!listed(id)) return 0.0;
    return c.ranges[id].toNormalised(id == kProgramId ? c.program : c.values[id]);
}

// Choosing a program sets every parameter of its preset, which the host then reads again.
v3_result V3_API setNormalisedValue(void* self, v3_param_id id, double normalised) {
    Controller& c = controllerOf(self);
    if (!listed(id)) return V3_INVALID_ARG;
    const double plain = c.ranges[id].toPlain(normalised);
    if (id != kProgramId) {
        c.values[id] = plain;
        sendValue(c.host.get(), c.peer.get(), static_cast<int>(id), plain);
        return V3_OK;
    }
    try {
        c.program = static_cast<int32_t>(plain);
        c.values = c.state.preset(c.program, c.values);
    } catch (const std::exception&) {
        return V3_FALSE;
    }
    for (int i = 0; i < kParameterCount; ++i)
        sendValue(c.host.get(), c.peer.get(), i, c.values[static_cast<size_t>(i)]);
    if (v3_component_handler** h = c.handler.get())
        v3_cpp_obj(h)->restart_component(h, V3_RESTART_PARAM_VALUES_CHANGED);
    return V3_OK;
}

v3_result V3_API setComponentHandler(void* self, v3_component_handler** handler) {
    controllerOf(self).handler.keep(handler);
    return V3_OK;
}

v3_plugin_view** V3_API createView(void*, const char*) { return nullptr; }

// IUnitInfo: the root unit, holding every parameter and the factory presets.
int32_t V3_API unitCount(void*) { return 1; }

v3_result V3_API unitInfo(void*, int32_t index, v3_unit_info* info) {
    if (index != 0 || info == nullptr) return V3_INVALID_ARG;
    *info = v3_unit_info{};
    info->id = kRootUnit;
    info->parent_unit_id = -1;
    toUtf16("Root", info->name, 128);
    info->program_list_id = kProgramListId;
    return V3_OK;
}

int32_t V3_API programListCount(void*) { return 1; }

v3_result V3_API programListInfo(void*, int32_t index, v3_program_list_info* info) {
    if (index != 0 || info == nullptr) return V3_INVALID_ARG;
    *info = v3_program_list_info{};
    info->id = kProgramListId;
    toUtf16("Factory presets", info->name, 128);
    info->programCount = formats::kFactoryPresetCount;
    return V3_OK;
}

bool ourProgram(int32_t list, int32_t index) {
    return list == kProgramListId && index >= 0 && index < formats::kFactoryPresetCount;
}

v3_result V3_API programName(void*, int32_t list, int32_t index, v3_str_128 name) {
    if (!ourProgram(list, index) || name == nullptr) return V3_INVALID_ARG;
    toUtf16(formats::kFactoryPresets[index].name, name, 128);
    return V3_OK;
}

// A preset's name, and what it sounds like under "Description" (no attribute of the format's
// own says that).
v3_result V3_API programInfo(void*, int32_t list, int32_t index, const char* attribute,
                             v3_str_128 value) {
    if (!ourProgram(list, index) || attribute == nullptr || value == nullptr) return V3_INVALID_ARG;
    try {
        if (std::strcmp(attribute, "Name") == 0)
            toUtf16(formats::kFactoryPresets[index].name, value, 128);
        else if (std::strcmp(attribute, "Description") == 0)
            toUtf16(formats::presetDescription(index), value, 128);
        else
            return V3_FALSE;
        return V3_OK;
    } catch (const std::exception&) {
        return V3_FALSE;
    }
}

v3_result V3_API hasPitchNames(void*, int32_t, int32_t) { return V3_FALSE; }
v3_result V3_API pitchName(void*, int32_t, int32_t, int16_t, v3_str_128) { return V3_FALSE; }
int32_t V3_API selectedUnit(void*) { return kRootUnit; }
v3_result V3_API selectUnit(void*, int32_t id) { return id == kRootUnit ? V3_OK : V3_FALSE; }
v3_result V3_API unitByBus(void*, int32_t, int32_t, int32_t, int32_t, int32_t*) { return V3_FALSE; }
v3_result V3_API setProgramData(void*, int32_t, int32_t, v3_bstream**) {
    return V3_NOT_IMPLEMENTED;
}

// IConnectionPoint: the processor tells the sample rate through it.
v3_result V3_API connect(void* self, v3_connection_point** other) {
    if (other == nullptr) return V3_INVALID_ARG;
    controllerOf(self).peer.keep(other);
    return V3_OK;
}

v3_result V3_API disconnect(void* self, v3_connection_point**) {
    controllerOf(self).peer.drop();
    return V3_OK;
}

v3_result V3_API notify(void* self, v3_message** message) {
    const std::optional<int32_t> rate = rateIn(message);
    if (!rate) return V3_FALSE;
    controllerOf(self).sampleRate = *rate;
    return V3_OK;
}

const v3_edit_controller_cpp kEditController = {
    unknownOf<Controller>(),
    {initialize, terminate},
    {setComponentState, setState, getState, parameterCount, parameterInfoAt, stringForValue,
     valueForString, toPlain, toNormalised, normalisedValue, setNormalisedValue,
     setComponentHandler, createView}};
const v3_unit_information_cpp kUnitInfo = {
    unknownOf<Controller>(),
    {unitCount, unitInfo, programListCount, programListInfo, programName, programInfo,
     hasPitchNames, pitchName, selectedUnit, selectUnit, unitByBus, setProgramData}};
const v3_connection_point_cpp kConnection = {unknownOf<Controller>(),
                                             {connect, disconnect, notify}};

Controller::Controller()
    : controller{&kEditController, this},
      units{&kUnitInfo, this},
      connection{&kConnection, this},
      code(core::linkedMachine()),
      table(code),
      controls(formats::pluginControls(table)),
      ranges(parameterRanges(controls)),
      texts(code, table),
      state(code, table),
      values(state.defaults()) {}

void* Controller::find(const v3_tuid iid) {
    if (v3_tuid_match(iid, v3_funknown_iid) || v3_tuid_match(iid, v3_plugin_base_iid) ||
        v3_tuid_match(iid, v3_edit_controller_iid))
        return &controller;
    if (v3_tuid_match(iid, v3_unit_information_iid)) return &units;
    if (v3_tuid_match(iid, v3_connection_point_iid)) return &connection;
    return nullptr;
}

}  // namespace

v3_result createController(const v3_tuid iid, void** instance) {
    try {
        auto* c = new Controller();
        *instance = c->find(iid);
        if (*instance != nullptr) return V3_OK;
        delete c;
        return V3_NO_INTERFACE;
    } catch (const std::exception&) {  // no memory, or no machine
        *instance = nullptr;
        return V3_NOMEM;
    }
}

}  // namespace vst3
