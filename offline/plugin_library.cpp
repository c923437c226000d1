#include "offline/plugin_library.h"

#include "core/host_error.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace offline {

namespace {
#if defined(_WIN32)
void* openLibrary(const std::string& path, std::string& why) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) why = "error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(module);
}
void* findSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* openLibrary(const std::string& path, std::string& why) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) why = dlerror();
    return handle;
}
void* findSymbol(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
#endif

// What is wrong with a description, or an empty text when the host can use it.
std::string faultIn(const MachineDescription* info, int mostParameters) {
    if (info == nullptr) return "GetInfo returns no description";
    const int count = info->globalParameterCount;
    if (count < 0 || count > mostParameters)
        return "it describes " + std::to_string(count) + " parameters, not 0 to " +
               std::to_string(mostParameters);
    if (count > 0 && info->parameters == nullptr) return "its parameter table is null";
    for (int i = 0; i < count; ++i) {
        const ParameterDescriptor* p = info->parameters[i];
        const std::string which = "parameter " + std::to_string(i);
        if (p == nullptr) return which + " is null";
        if (p->name == nullptr) return which + " has no name";
        if (p->type != ParameterByte && p->type != ParameterWord)
            return which + " has the unknown type " + std::to_string(p->type);
        const int32_t top = p->type == ParameterWord ? 0xFFFF : 0xFF;
        for (int32_t value : {p->minValue, p->maxValue, p->defaultValue, p->noValue})
            if (value < 0 || value > top)
                return which + " has a value " + std::to_string(value) + " that its field " +
                       "cannot hold";
        if (p->minValue > p->maxValue) return which + " has a range that ends before it begins";
    }
    return "";
}
}  // namespace

PluginLibrary::PluginLibrary(const std::string& path) : path_(path) {
    std::string why;
    handle_ = openLibrary(path, why);
    if (handle_ == nullptr)
        throw core::HostError("cannot load plug-in library '" + path + "': " + why);
    getInfo_ = reinterpret_cast<GetInfoFunction>(findSymbol(handle_, "GetInfo"));
    createMachine_ = reinterpret_cast<CreateMachineFunction>(findSymbol(handle_, "CreateMachine"));
    const char* missing = getInfo_ == nullptr         ? "GetInfo"
                          : createMachine_ == nullptr ? "CreateMachine"
                                                      : nullptr;
    if (missing != nullptr) {
        closeLibrary(handle_);
        throw core::HostError("plug-in library '" + path + "' does not export " + missing);
    }
    description_ = getInfo_();
    const std::string fault = faultIn(description_, core::kMostParameters);
    if (!fault.empty()) {
        closeLibrary(handle_);
        throw core::HostError("plug-in library '" + path + "' is not usable: " + fault);
    }
}

PluginLibrary::~PluginLibrary() { closeLibrary(handle_); }

}  // namespace offline
