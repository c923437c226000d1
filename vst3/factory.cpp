// The module's entry points and its factory: two classes, the audio processor and the edit
// controller, named and classed for the host's plug-in list.
#include <travesty/factory.h>

#include <cstdio>
#include <cstring>

#include "core/linked_machine.h"
#include "formats/identity.h"
#include "vst3/controller.h"
#include "vst3/processor.h"
#include "vst3/utf16.h"

#if defined(_WIN32)
#define TARVO_VST3_ENTRY extern "C" __declspec(dllexport)
#else
#define TARVO_VST3_ENTRY extern "C" __attribute__((visibility("default")))
#endif

namespace vst3 {

namespace {

constexpr int32_t kManyInstances = 0x7FFFFFFF;
constexpr int32_t kUnicodeFactory = 1 << 4;
constexpr const char* kSdkVersion = "VST 3.7.4";

// One class of the two: its id, its category and, for the processor, what kind of effect.
struct ClassEntry {
    const uint8_t* id;
    const char* category;
    const char* subCategories;
    uint32_t flags;
};

const ClassEntry kClasses[] = {
    {formats::kVst3ProcessorId, "Audio Module Class", "Fx|Delay|Stereo", V3_DISTRIBUTABLE},
    {formats::kVst3ControllerId, "Component Controller Class", "", 0},
};
constexpr int32_t kClassCount = 2;

const MachineDescription& machine() { return *core::linkedMachine().description; }

template <size_t size>
void copy(char (&to)[size], const char* from) {
    std::snprintf(to, size, "%s", from);
}

// The parts the three forms of class information share.
template <typename Info>
bool describe(int32_t index, Info* info) {
    if (info == nullptr || index < 0 || index >= kClassCount) return false;
    *info = Info{};
    std::memcpy(info->class_id, kClasses[index].id, sizeof(v3_tuid));
    info->cardinality = kManyInstances;
    copy(info->category, kClasses[index].category);
    return true;
}

v3_result V3_API factoryInfo(void*, v3_factory_info* info) {
    if (info == nullptr) return V3_INVALID_ARG;
    *info = v3_factory_info{};
    copy(info->vendor, machine().author);
    copy(info->url, formats::kProjectUrl);
    info->flags = kUnicodeFactory;
    return V3_OK;
}

int32_t V3_API classCount(void*) { return kClassCount; }

v3_result V3_API classInfo(void*, int32_t index, v3_class_info* info) {
    if (!describe(index, info)) return V3_INVALID_ARG;
    copy(info->name, machine().displayName);
    return V3_OK;
}

v3_result V3_API createInstance(void*, const v3_tuid classId, const v3_tuid iid, void** instance) {
    if (classId == nullptr || iid == nullptr || instance == nullptr) return V3_INVALID_ARG;
    *instance = nullptr;
    if (v3_tuid_match(classId, formats::kVst3ProcessorId)) return createProcessor(iid, instance);
    if (v3_tuid_match(classId, formats::kVst3ControllerId)) return createController(iid, instance);
    return V3_NO_INTERFACE;
}

v3_result V3_API classInfo2(void*, int32_t index, v3_class_info_2* info) {
    if (!describe(index, info)) return V3_INVALID_ARG;
    copy(info->name, machine().displayName);
    info->class_flags = kClasses[index].flags;
    copy(info->sub_categories, kClasses[index].subCategories);
    copy(info->vendor, machine().author);
    copy(info->version, formats::kVersion);
    copy(info->sdk_version, kSdkVersion);
    return V3_OK;
}

v3_result V3_API classInfoUtf16(void*, int32_t index, v3_class_info_3* info) {
    if (!describe(index, info)) return V3_INVALID_ARG;
    toUtf16(machine().displayName, info->name, 64);
    info->class_flags = kClasses[index].flags;
    copy(info->sub_categories, kClasses[index].subCategories);
    toUtf16(machine().author, info->vendor, 64);
    toUtf16(formats::kVersion, info->version, 64);
    toUtf16(kSdkVersion, info->sdk_version, 64);
    return V3_OK;
}

v3_result V3_API setHostContext(void*, v3_funknown**) { return V3_OK; }

// The factory lives as long as the module: the host's references do not end it.
struct Factory {
    const void* table;
};

v3_result V3_API factoryQuery(void* self, const v3_tuid iid, void** object) {
    if (object == nullptr) return V3_INVALID_ARG;
    const bool ours =
        v3_tuid_match(iid, v3_funknown_iid) || v3_tuid_match(iid, v3_plugin_factory_iid) ||
        v3_tuid_match(iid, v3_plugin_factory_2_iid) || v3_tuid_match(iid, v3_plugin_factory_3_iid);
    *object = ours ? self : nullptr;
    return ours ? V3_OK : V3_NO_INTERFACE;
}

uint32_t V3_API factoryReference(void*) { return 1; }

const v3_plugin_factory_cpp kFactoryTable = {{factoryQuery, factoryReference, factoryReference},
                                             {factoryInfo, classCount, classInfo, createInstance},
                                             {classInfo2},
                                             {classInfoUtf16, setHostContext}};
Factory factory{&kFactoryTable};

}  // namespace

}  // namespace vst3

TARVO_VST3_ENTRY const void* V3_API GetPluginFactory() { return &vst3::factory; }

#if defined(_WIN32)
TARVO_VST3_ENTRY bool InitDll() { return true; }
TARVO_VST3_ENTRY bool ExitDll() { return true; }
#else
TARVO_VST3_ENTRY bool ModuleEntry(void*) { return true; }
TARVO_VST3_ENTRY bool ModuleExit() { return true; }
#endif
