// Loads a plug-in library by path and resolves its two exports, as the music host does.
#pragma once

#include <string>

#include "host/descriptors.h"
#include "host/machine_interface.h"

namespace offline {

class PluginLibrary {
public:
    using GetInfoFunction = const MachineDescription* (*)();
    using CreateMachineFunction = CMachineInterface* (*)();

    // Throws HostError naming the path (and the missing export) when the library is unusable.
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const MachineDescription* info() const { return getInfo_(); }
    CMachineInterface* createMachine() const { return createMachine_(); }
    CreateMachineFunction factory() const { return createMachine_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    void* handle_ = nullptr;
    GetInfoFunction getInfo_ = nullptr;
    CreateMachineFunction createMachine_ = nullptr;
};

}  // namespace offline
