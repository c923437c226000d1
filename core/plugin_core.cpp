#include "core/plugin_core.h"

#include <algorithm>
#include <cmath>

#include "host/tempo.h"
#include "machine/parameters.h"

namespace core {

namespace {

// The four parameters whose values up to kTickValueLimit count thousandths of a tick.
constexpr int kTickLengths[] = {ParamDelayLeft, ParamDelayRight, ParamOffsetLeft, ParamOffsetRight};

}  // namespace

PluginCore::PluginCore(const MachineCode& code)
    : code_(code), record_(*code.description), count_(record_.count()) {
    for (int i = 0; i < count_; ++i) wanted_[i] = record_.parameter(i).defaultValue;
}

int32_t PluginCore::samplesPerTickNow() const {
    const double tempo = hostTempo_ > 0.0 ? hostTempo_ : portTempo_;
    const double samples = roundedSamplesPerTick(sampleRate_, tempo, ticksPerBeat_);
    return static_cast<int32_t>(std::clamp(samples, 1.0, double{INT32_MAX}));
}

void PluginCore::start(int32_t sampleRate) {
    sampleRate_ = sampleRate;
    machine_.reset();
    machine_.emplace(code_, sampleRate_, samplesPerTickNow());
    for (int i = 0; i < count_; ++i) delivered_[i] = record_.parameter(i).defaultValue;
    deliverAll_ = true;
    recordOpen_ = false;
    tempoChanged_ = true;
    used_ = false;
}

bool PluginCore::activate(int32_t sampleRate) {
    if (!active() || used_ || sampleRate != sampleRate_) start(sampleRate);
    return active();
}

void PluginCore::setValue(int index, double value) {
    if (index < 0 || index >= count_ || !std::isfinite(value)) return;
    const ParameterDescriptor& d = record_.parameter(index);
    const double lowest = d.minValue, highest = d.maxValue;
    const auto v = static_cast<int32_t>(std::round(std::clamp(value, lowest, highest)));
    wanted_[index] = v;
    changed_ = changed_ || v != delivered_[index];
}

void PluginCore::setTempo(double beatsPerMinute) {
    if (!std::isfinite(beatsPerMinute)) return;
    const double tempo = std::clamp(beatsPerMinute, kTempoMin, kTempoMax);
    tempoChanged_ = tempoChanged_ || tempo != portTempo_;
    portTempo_ = tempo;
}

void PluginCore::setHostTempo(double beatsPerMinute) {
    if (!(beatsPerMinute > 0.0) || !std::isfinite(beatsPerMinute)) return;
    const double tempo = std::clamp(beatsPerMinute, kTempoMin, kTempoMax);
    tempoChanged_ = tempoChanged_ || tempo != hostTempo_;
    hostTempo_ = tempo;
}

void PluginCore::setTicksPerBeat(double ticks) {
    if (!std::isfinite(ticks)) return;
    const auto tpb = static_cast<int32_t>(
        std::round(std::clamp(ticks, double{kTicksPerBeatMin}, double{kTicksPerBeatMax})));
    tempoChanged_ = tempoChanged_ || tpb != ticksPerBeat_;
    ticksPerBeat_ = tpb;
}

// A value for the next tick; the record is cleared to no-values before its first one.
void PluginCore::send(int index, int32_t value) {
    if (!recordOpen_) record_.clear();
    recordOpen_ = true;
    record_.set(index, value);
}

// Everything that changed goes to the machine in one tick: the values that differ from the
// machine's (all of them for a fresh machine), then, when the samples per tick change, the
// delay lengths that count ticks, as if the host had sent them at this moment.
void PluginCore::deliver() {
    for (int i = 0; i < count_; ++i) {
        if (!deliverAll_ && wanted_[i] == delivered_[i]) continue;
        delivered_[i] = wanted_[i];
        send(i, wanted_[i]);
    }
    changed_ = false;
    deliverAll_ = false;
    if (tempoChanged_) {
        tempoChanged_ = false;
        const int32_t samples = samplesPerTickNow();
        if (samples != machine_->master().samplesPerTick) {
            machine_->setSamplesPerTick(samples);
            machine_->setTempo(static_cast<int32_t>(hostTempo_ > 0.0 ? hostTempo_ : portTempo_),
                               ticksPerBeat_);
            for (const int index : kTickLengths)
                if (delivered_[index] <= kTickValueLimit) send(index, delivered_[index]);
        }
    }
    if (recordOpen_) machine_->tick(record_);
    recordOpen_ = false;
}

void PluginCore::renderTo(uint32_t frame) {
    frame = std::min(frame, frames_);
    if (frame <= done_) return;
    const uint32_t from = done_;
    done_ = frame;
    if (!active() || !in_[0] || !in_[1] || !out_[0] || !out_[1]) {
        for (float* channel : out_)
            if (channel != nullptr) std::fill(channel + from, channel + frame, 0.0f);
        return;
    }
    used_ = true;
    if (changed_ || tempoChanged_ || deliverAll_) deliver();  // most blocks bring nothing
    if (!machine_->renderChannels(in_[0] + from, in_[1] + from, out_[0] + from, out_[1] + from,
                                  static_cast<int32_t>(frame - from)))
        for (float* channel : out_) std::fill(channel + from, channel + frame, 0.0f);
}

}  // namespace core
