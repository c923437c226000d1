#include "offline/hosted_machine.h"

#include <cstring>

#include "offline/host_error.h"

namespace offline {

// Our stand-in for the host's helper: it sets the machine up once and passes the machine's
// relayed requests on to the operations that do the work. Like the host's own helper it reaches
// those operations by their slots, never through the machine's C++ classes, so that a program
// that loads the library needs none of the machine's type information (a sanitized build
// checks dynamic types and would otherwise need it linked in).
class OfflineHelper final : public MdkHelper {
public:
    void HOST_CALL DestroyHelper(int32_t alsoFree) override {
        if (alsoFree & 1) delete this;
    }
    intptr_t HOST_CALL ExtensionRelay1(intptr_t, intptr_t) override { return 0; }
    intptr_t HOST_CALL ExtensionRelay2(intptr_t) override { return 0; }
    intptr_t HOST_CALL ExtensionRelay3(intptr_t, intptr_t) override { return 0; }
    intptr_t HOST_CALL ExtensionRelay4(intptr_t, intptr_t) override { return 0; }
    intptr_t HOST_CALL ExtensionRelay5(intptr_t, intptr_t, intptr_t) override { return 0; }
    bool HOST_CALL MachineRelay1(float* samples, int32_t count, int32_t workMode) override {
        using RenderStereo = bool(HOST_CALL*)(CMachineInterface*, float*, int32_t, int32_t);
        return slot<RenderStereo>(SlotRenderStereo)(machine, samples, count, workMode);
    }
    bool HOST_CALL MachineRelay2(float*, float*, int32_t, int32_t) override { return false; }
    void HOST_CALL InitializeHelper(DataInput* data) override {
        using SetUp = void(HOST_CALL*)(CMachineInterface*, DataInput*);
        if (!setUpDone) {
            setUpDone = true;
            slot<SetUp>(SlotSetUp)(machine, data);
        }
    }
    void HOST_CALL MachineRelay3(DataOutput* output) override {
        using WriteState = void(HOST_CALL*)(CMachineInterface*, DataOutput*);
        slot<WriteState>(SlotWriteState)(machine, output);
    }
    void HOST_CALL SelectOutputChannels(int32_t stereo) override { outputChannels = stereo; }

    bool setUpDone = false;
    int32_t outputChannels = -1;

private:
    template <typename Operation>
    Operation slot(int index) const {
        return reinterpret_cast<Operation>(
            (*reinterpret_cast<void* const* const*>(machine))[index]);
    }
};

namespace {
class ByteSink final : public DataOutput {
public:
    void HOST_CALL WriteBytes(const void* data, int32_t count) override {
        const auto* bytes = static_cast<const uint8_t*>(data);
        written.insert(written.end(), bytes, bytes + count);
    }
    std::vector<uint8_t> written;
};
}  // namespace

MdkHelper* HOST_CALL HostedMachine::Callbacks::RequestHelper(int32_t, int32_t) {
    owner_.helper_ = new OfflineHelper();
    return owner_.helper_;
}

void HOST_CALL HostedMachine::Callbacks::RegisterExtension(CMachineInterfaceEx* extension) {
    owner_.extension_ = extension;
}

HostedMachine::HostedMachine(const PluginLibrary& library, int32_t sampleRate,
                             int32_t samplesPerTick)
    : HostedMachine(library.description(), library.factory(), sampleRate, samplesPerTick) {}

HostedMachine::HostedMachine(const MachineDescription& info, MachineFactory create,
                             int32_t sampleRate, int32_t samplesPerTick) {
    master_.beatsPerMinute = 126;
    master_.ticksPerBeat = 4;
    master_.sampleRate = sampleRate;
    master_.samplesPerTick = samplesPerTick;
    for (int i = 0; i < info.globalParameterCount; ++i)
        recordSize_ += info.parameters[i]->type == ParameterWord ? 2 : 1;

    machine_ = create();
    if (machine_ == nullptr) throw HostError("the plug-in library could not create a machine");
    if (recordSize_ > 0 && machine_->globalValues == nullptr) {
        machine_->Destroy(1);
        machine_ = nullptr;
        throw HostError("the plug-in library's machine has no place for its parameter values");
    }
    machine_->masterInfo = &master_;
    machine_->hostCallbacks = &callbacks_;
    machine_->Initialize(nullptr);
}

HostedMachine::~HostedMachine() { destroy(); }

void HostedMachine::destroy() {
    if (machine_ == nullptr) return;
    machine_->Destroy(1);  // destroys the helper too
    machine_ = nullptr;
    helper_ = nullptr;
}

void HostedMachine::tick(const ParameterRecord& record) {
    std::memcpy(machine_->globalValues, record.bytes().data(), static_cast<size_t>(recordSize_));
    machine_->ProcessTick();
}

bool HostedMachine::render(float* frames, int32_t count, int32_t workMode) {
    return machine_->ProcessAudio(frames, count, workMode);
}

const char* HostedMachine::valueText(int32_t index, int32_t value) {
    return machine_->ValueText(index, value);
}

std::vector<uint8_t> HostedMachine::save() {
    ByteSink sink;
    machine_->Save(&sink);
    return sink.written;
}

bool HostedMachine::stereoSelected() const {
    return helper_ != nullptr && helper_->outputChannels == 1;
}

}  // namespace offline
