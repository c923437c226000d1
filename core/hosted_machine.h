// One machine driven the way the music host drives it: created, linked with a helper, set up,
// ticked and rendered only through its operations. Every host of ours runs its machines
// through this class, whether their code was loaded by path or linked in; it allocates nothing
// itself, so a plug-in can create one when it is activated.
#pragma once

#include <cstdint>
#include <vector>

#include "core/machine_code.h"
#include "core/parameter_record.h"
#include "host/machine_interface.h"

namespace core {

class HostedMachine {
  public:
    // Creates, initializes and sets up a machine; alive() says whether the code gave one.
    HostedMachine(const MachineCode& code, int32_t sampleRate, int32_t samplesPerTick);
    ~HostedMachine() { destroy(); }
    HostedMachine(const HostedMachine&) = delete;
    HostedMachine& operator=(const HostedMachine&) = delete;

    bool alive() const { return machine_ != nullptr; }
    // Why there is no machine, or null.
    const char* failure() const { return failure_; }

    // The machine reads these afresh at every use.
    void setSampleRate(int32_t rate) { master_.sampleRate = rate; }
    void setSamplesPerTick(int32_t samples) { master_.samplesPerTick = samples; }
    void setTempo(int32_t beatsPerMinute, int32_t ticksPerBeat) {
        master_.beatsPerMinute = beatsPerMinute;
        master_.ticksPerBeat = ticksPerBeat;
    }
    const MasterInfo& master() const { return master_; }

    // Writes the record into the machine's GlobalValues and runs its tick.
    void tick(const ParameterRecord& record);
    // Renders `count` interleaved stereo frames in the host's scale in place, through the
    // machine's audio request.
    bool render(float* frames, int32_t count, int32_t workMode);
    // Renders separate channels at unit scale, input and output; only for code linked in.
    bool renderChannels(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                        int32_t count) {
        return code_.renderChannels(machine_, inLeft, inRight, outLeft, outRight, count);
    }
    // The value text, or null.
    const char* valueText(int32_t index, int32_t value);
    // The machine's save data, obtained through its save request.
    std::vector<uint8_t> save();

    CMachineInterface* machine() const { return machine_; }
    bool stereoSelected() const { return helper_.outputChannels == 1; }
    CMachineInterfaceEx* registeredExtension() const { return extension_; }

    // Destroys the machine now (otherwise the destructor does).
    void destroy();

  private:
    // Our stand-in for the host's helper: it sets the machine up once and passes the machine's
    // relayed requests on to the operations that do the work. Like the host's own helper it
    // reaches them by their slots, never through the machine's C++ classes, so a program that
    // loads the library needs none of the machine's type information. It lives as long as the
    // host object, so the machine's request to destroy it only unlinks it.
    class Helper final : public MdkHelper {
      public:
        void HOST_CALL DestroyHelper(int32_t) override { machine = nullptr; }
        intptr_t HOST_CALL ExtensionRelay1(intptr_t, intptr_t) override { return 0; }
        intptr_t HOST_CALL ExtensionRelay2(intptr_t) override { return 0; }
        intptr_t HOST_CALL ExtensionRelay3(intptr_t, intptr_t) override { return 0; }
        intptr_t HOST_CALL ExtensionRelay4(intptr_t, intptr_t) override { return 0; }
        intptr_t HOST_CALL ExtensionRelay5(intptr_t, intptr_t, intptr_t) override { return 0; }
        bool HOST_CALL MachineRelay1(float* samples, int32_t count, int32_t workMode) override;
        bool HOST_CALL MachineRelay2(float*, float*, int32_t, int32_t) override { return false; }
        void HOST_CALL InitializeHelper(DataInput* data) override;
        void HOST_CALL MachineRelay3(DataOutput* output) override;
        void HOST_CALL SelectOutputChannels(int32_t stereo) override { outputChannels = stereo; }

        bool setUpDone = false;
        int32_t outputChannels = -1;
    };

    class Callbacks final : public HostCallbacks {
      public:
        explicit Callbacks(HostedMachine& owner) : owner_(owner) {}
        MdkHelper* HOST_CALL RequestHelper(int32_t, int32_t) override { return &owner_.helper_; }
        void HOST_CALL RegisterExtension(CMachineInterfaceEx* extension) override {
            owner_.extension_ = extension;
        }

      private:
        HostedMachine& owner_;
    };

    MachineCode code_;
    MasterInfo master_{};
    Helper helper_;
    Callbacks callbacks_{*this};
    CMachineInterface* machine_ = nullptr;
    CMachineInterfaceEx* extension_ = nullptr;
    int recordSize_ = 0;
    const char* failure_ = nullptr;
};

// Throws HostError with the reason when `machine` has none.
void requireMachine(const HostedMachine& machine);

}  // namespace core
