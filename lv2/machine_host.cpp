#include "lv2/machine_host.h"

#include <cstring>

#include "machine/exports.h"

namespace lv2host {

namespace {
constexpr int32_t kWorkModeInputOutput = 3;
}

bool HOST_CALL Helper::MachineRelay1(float* samples, int32_t count, int32_t workMode) {
    return static_cast<CMDKMachineInterface*>(machine)->RenderStereo(samples, count, workMode);
}

void HOST_CALL Helper::InitializeHelper(DataInput* data) {
    if (setUpDone) return;
    setUpDone = true;
    static_cast<CMDKMachineInterface*>(machine)->SetUp(data);
}

// The record's layout comes from the description, as the music host lays it out.
MachineHost::MachineHost() : info_(GetInfo()) {
    for (int i = 0; i < kParameterCount; ++i) {
        offsets_[i] = recordBytes_;
        recordBytes_ += info_->parameters[i]->type == ParameterWord ? 2 : 1;
    }
    static_assert(sizeof record_ >= 52);
    clearRecord();
}

bool MachineHost::create() {
    destroy();
    machine_ = CreateMachine();
    if (machine_ == nullptr) return false;
    helper_.setUpDone = false;
    machine_->masterInfo = &master;
    machine_->hostCallbacks = &callbacks_;
    machine_->Initialize(nullptr);
    return true;
}

void MachineHost::destroy() {
    if (machine_ == nullptr) return;
    machine_->Destroy(1);
    machine_ = nullptr;
}

void MachineHost::clearRecord() {
    for (int i = 0; i < kParameterCount; ++i) setValue(i, info_->parameters[i]->noValue);
}

void MachineHost::setValue(int index, int32_t value) {
    uint8_t* field = record_ + offsets_[index];
    field[0] = static_cast<uint8_t>(value & 0xFF);
    if (info_->parameters[index]->type == ParameterWord)
        field[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

void MachineHost::tick() {
    std::memcpy(machine_->globalValues, record_, static_cast<size_t>(recordBytes_));
    machine_->ProcessTick();
}

void MachineHost::render(float* frames, int32_t count) {
    machine_->ProcessAudio(frames, count, kWorkModeInputOutput);
}

}  // namespace lv2host
