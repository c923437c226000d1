#include "core/hosted_machine.h"

#include <cstring>

#include "core/host_error.h"
#include "host/conventions.h"

namespace core {

namespace {

template <typename Operation>
Operation slot(CMachineInterface* machine, int index) {
    return reinterpret_cast<Operation>((*reinterpret_cast<void* const* const*>(machine))[index]);
}

class ByteSink final : public DataOutput {
  public:
    void HOST_CALL WriteBytes(const void* data, int32_t count) override {
        const auto* bytes = static_cast<const uint8_t*>(data);
        written.insert(written.end(), bytes, bytes + count);
    }
    std::vector<uint8_t> written;
};

}  // namespace

bool HOST_CALL HostedMachine::Helper::MachineRelay1(float* samples, int32_t count,
                                                    int32_t workMode) {
    using RenderStereo = bool(HOST_CALL*)(CMachineInterface*, float*, int32_t, int32_t);
    return slot<RenderStereo>(machine, SlotRenderStereo)(machine, samples, count, workMode);
}

void HOST_CALL HostedMachine::Helper::InitializeHelper(DataInput* data) {
    using SetUp = void(HOST_CALL*)(CMachineInterface*, DataInput*);
    if (setUpDone) return;
    setUpDone = true;
    slot<SetUp>(machine, SlotSetUp)(machine, data);
}

void HOST_CALL HostedMachine::Helper::MachineRelay3(DataOutput* output) {
    using WriteState = void(HOST_CALL*)(CMachineInterface*, DataOutput*);
    slot<WriteState>(machine, SlotWriteState)(machine, output);
}

HostedMachine::HostedMachine(const MachineCode& code, int32_t sampleRate, int32_t samplesPerTick)
    : code_(code) {
    master_.beatsPerMinute = static_cast<int32_t>(kDefaultTempo);
    master_.ticksPerBeat = kDefaultTicksPerBeat;
    master_.sampleRate = sampleRate;
    master_.samplesPerTick = samplesPerTick;
    recordSize_ = ParameterRecord(*code.description).size();

    machine_ = code.create();
    if (machine_ == nullptr) {
        failure_ = "the plug-in library could not create a machine";
        return;
    }
    if (recordSize_ > 0 && machine_->globalValues == nullptr) {
        machine_->Destroy(1);
        machine_ = nullptr;
        failure_ = "the plug-in library's machine has no place for its parameter values";
        return;
    }
    machine_->masterInfo = &master_;
    machine_->hostCallbacks = &callbacks_;
    machine_->Initialize(nullptr);
}

void HostedMachine::destroy() {
    if (machine_ == nullptr) return;
    machine_->Destroy(1);  // unlinks the helper too
    machine_ = nullptr;
}

void HostedMachine::tick(const ParameterRecord& record) {
    std::memcpy(machine_->globalValues, record.bytes(), static_cast<size_t>(recordSize_));
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

void requireMachine(const HostedMachine& machine) {
    if (!machine.alive()) throw HostError(machine.failure());
}

}  // namespace core
