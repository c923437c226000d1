// Loads a plug-in library by path and resolves its two exports, as the music host does.
#pragma once

#include <string>

#include "core/machine_code.h"
#include "host/descriptors.h"
#include "host/machine_interface.h"

namespace offline {

class PluginLibrary {
  public:
    using GetInfoFunction = const MachineDescription* (*)();
    using CreateMachineFunction = CMachineInterface* (*)();

    // Throws core::HostError naming the path and the fault when the library is unusable: it does
    // not load, lacks an export, or describes itself with a null record, a null parameter
    // table, entry or name, a parameter count outside 0..kMostParameters, or a parameter whose
    // type or values do not fit its field.
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // The description as GetInfo returns it now.
    const MachineDescription* info() const { return getInfo_(); }
    // The description as it was checked when the library was loaded.
    const MachineDescription& description() const { return *description_; }
    CMachineInterface* createMachine() const { return createMachine_(); }
    // The checked description and the factory, for our hosts to run.
    core::MachineCode code() const { return {description_, createMachine_}; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    void* handle_ = nullptr;
    GetInfoFunction getInfo_ = nullptr;
    CreateMachineFunction createMachine_ = nullptr;
    const MachineDescription* description_ = nullptr;
};

}  // namespace offline
