// Shared fixtures: the built plug-in library loaded through our host, and machines made
// from the machine code directly for tests that look at its fields.
#pragma once

#include <memory>

#include "core/hosted_machine.h"
#include "machine/exports.h"
#include "machine/machine.h"
#include "offline/plugin_library.h"

namespace test {

// The plug-in library as built, loaded once by path like the host loads it.
inline const offline::PluginLibrary& pluginLibrary() {
    static const offline::PluginLibrary library(TARVO_PLUGIN_PATH);
    return library;
}

// A machine linked into the test binary, set up without a helper, for looking at its fields.
class LocalMachine {
  public:
    explicit LocalMachine(int32_t sampleRate = 44100, int32_t samplesPerTick = 5512) {
        master.sampleRate = sampleRate;
        master.samplesPerTick = samplesPerTick;
        machine = static_cast<mi*>(CreateMachine());
        machine->masterInfo = &master;
        machine->setUp();
    }
    ~LocalMachine() { machine->Destroy(1); }
    LocalMachine(const LocalMachine&) = delete;
    LocalMachine& operator=(const LocalMachine&) = delete;

    mi* operator->() const { return machine; }
    mi& operator*() const { return *machine; }

    MasterInfo master{};
    mi* machine;
};

}  // namespace test
