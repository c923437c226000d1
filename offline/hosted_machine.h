// One machine driven the way the music host drives it: created, linked with a helper, set up,
// ticked and rendered only through its operations.
#pragma once

#include <cstdint>
#include <vector>

#include "host/machine_interface.h"
#include "offline/parameter_record.h"
#include "offline/plugin_library.h"

namespace offline {

class OfflineHelper;

class HostedMachine {
  public:
    using MachineFactory = CMachineInterface* (*)();

    // Creates, initializes and sets up a machine; throws HostError if the library refuses.
    HostedMachine(const PluginLibrary& library, int32_t sampleRate, int32_t samplesPerTick);
    // The same for a machine whose code is linked in rather than loaded.
    HostedMachine(const MachineDescription& info, MachineFactory create, int32_t sampleRate,
                  int32_t samplesPerTick);
    ~HostedMachine();
    HostedMachine(const HostedMachine&) = delete;
    HostedMachine& operator=(const HostedMachine&) = delete;

    // The machine reads these afresh at every use.
    void setSampleRate(int32_t rate) { master_.sampleRate = rate; }
    void setSamplesPerTick(int32_t samples) { master_.samplesPerTick = samples; }
    const MasterInfo& master() const { return master_; }

    // Writes the record into the machine's GlobalValues and runs its tick.
    void tick(const ParameterRecord& record);
    // Renders `count` interleaved stereo frames in place through the machine's audio request.
    bool render(float* frames, int32_t count, int32_t workMode);
    // The value text, or null.
    const char* valueText(int32_t index, int32_t value);
    // The machine's save data, obtained through its save request.
    std::vector<uint8_t> save();

    CMachineInterface* machine() const { return machine_; }
    bool stereoSelected() const;
    bool extensionRegistered() const { return extension_ != nullptr; }
    CMachineInterfaceEx* registeredExtension() const { return extension_; }

    // Destroys the machine now (otherwise the destructor does).
    void destroy();

  private:
    class Callbacks : public HostCallbacks {
      public:
        explicit Callbacks(HostedMachine& owner) : owner_(owner) {}
        MdkHelper* HOST_CALL RequestHelper(int32_t, int32_t) override;
        void HOST_CALL RegisterExtension(CMachineInterfaceEx* extension) override;

      private:
        HostedMachine& owner_;
    };

    MasterInfo master_{};
    Callbacks callbacks_{*this};
    CMachineInterface* machine_ = nullptr;
    OfflineHelper* helper_ = nullptr;
    CMachineInterfaceEx* extension_ = nullptr;
    int recordSize_ = 0;
};

}  // namespace offline
