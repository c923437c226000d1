#include "offline/plugin_library.h"

#include "offline/host_error.h"

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
}  // namespace

PluginLibrary::PluginLibrary(const std::string& path) : path_(path) {
    std::string why;
    handle_ = openLibrary(path, why);
    if (handle_ == nullptr) throw HostError("cannot load plug-in library '" + path + "': " + why);
    getInfo_ = reinterpret_cast<GetInfoFunction>(findSymbol(handle_, "GetInfo"));
    createMachine_ = reinterpret_cast<CreateMachineFunction>(findSymbol(handle_, "CreateMachine"));
    const char* missing = getInfo_ == nullptr ? "GetInfo"
                          : createMachine_ == nullptr ? "CreateMachine"
                                                      : nullptr;
    if (missing != nullptr) {
        closeLibrary(handle_);
        throw HostError("plug-in library '" + path + "' does not export " + missing);
    }
}

PluginLibrary::~PluginLibrary() { closeLibrary(handle_); }

}  // namespace offline
