// The host's part for one machine inside the plug-in: the master information, the helper
// object, the callbacks, the GlobalValues record and the tick and render calls. The machine's
// code is linked in; it is created and driven only through its exports and operations.
#pragma once

#include <cstdint>

#include "host/descriptors.h"
#include "host/machine_interface.h"
#include "machine/parameters.h"

namespace lv2host {

// Our helper: it sets the machine up once and passes its render request on. It belongs to the
// plug-in instance, which outlives every machine it creates, so destroying it only unlinks it.
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
    void HOST_CALL MachineRelay3(DataOutput*) override {}
    void HOST_CALL SelectOutputChannels(int32_t) override {}

    bool setUpDone = false;
};

class Callbacks final : public HostCallbacks {
  public:
    explicit Callbacks(Helper& helper) : helper_(helper) {}
    MdkHelper* HOST_CALL RequestHelper(int32_t, int32_t) override { return &helper_; }
    void HOST_CALL RegisterExtension(CMachineInterfaceEx*) override {}

  private:
    Helper& helper_;
};

class MachineHost {
  public:
    MachineHost();
    ~MachineHost() { destroy(); }
    MachineHost(const MachineHost&) = delete;
    MachineHost& operator=(const MachineHost&) = delete;

    // A fresh machine in place of the present one: false if it could not be created.
    bool create();
    void destroy();
    bool alive() const { return machine_ != nullptr; }

    // The machine reads these afresh at every use.
    MasterInfo master{};

    // The next tick's record starts with every field at its no-value.
    void clearRecord();
    void setValue(int index, int32_t value);
    // Writes the record into the machine's GlobalValues and runs its tick.
    void tick();
    // Renders interleaved stereo frames in place, at most 256 at a time, input and output.
    void render(float* frames, int32_t count);

    const MachineDescription& info() const { return *info_; }

  private:
    const MachineDescription* info_;
    int offsets_[kParameterCount];
    int recordBytes_ = 0;
    uint8_t record_[64];
    Helper helper_;
    Callbacks callbacks_{helper_};
    CMachineInterface* machine_ = nullptr;
};

}  // namespace lv2host
