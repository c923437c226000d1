// What every plug-in format of ours does for one instance, whatever its format: it keeps the
// values the host wants, delivers those that changed to the machine in one tick before the next
// frame renders, works out the samples per tick from the tempo (the host's when it sends one,
// otherwise our own) and the ticks per beat, delivers the delay lengths that count ticks again
// when the samples per tick change, splits a block at every frame where something changes, and
// starts a fresh machine when it is activated again. A format's adapter only translates its
// calls and events into these; it calls them from the thread that renders.
#pragma once

#include <cstdint>
#include <optional>

#include "core/hosted_machine.h"
#include "core/machine_code.h"
#include "core/parameter_record.h"
#include "host/conventions.h"

namespace core {

// The tempo used while the host sends none, and the ticks in a beat.
inline constexpr double kTempoMin = 20.0;
inline constexpr double kTempoMax = 999.0;
inline constexpr int32_t kTicksPerBeatMin = 1;
inline constexpr int32_t kTicksPerBeatMax = 64;

class PluginCore {
  public:
    // `code` is linked in: it renders separate channels.
    explicit PluginCore(const MachineCode& code);

    // A fresh machine at `sampleRate`, unless the present one has not rendered yet and runs at
    // that rate; every value goes to it in its first tick. False when no machine could be made:
    // the output is silence then.
    bool activate(int32_t sampleRate);
    bool active() const { return machine_ && machine_->alive(); }

    // Changes, delivered before the next frame renders. A value is rounded to a whole number and
    // held within its parameter's range; one that is not a number changes nothing.
    void setValue(int index, double value);
    void setTempo(double beatsPerMinute);      // ours, held within kTempoMin..kTempoMax
    void setHostTempo(double beatsPerMinute);  // the host's: overrides ours from now on
    void setTicksPerBeat(double ticks);        // rounded, held within the range

    // One block of the host's, in and out at unit scale (in place or not): renderTo renders the
    // frames from where the block has got to up to `frame` (at most the block's length); a frame
    // before that takes effect where the block has got to, so no frame renders twice.
    void startBlock(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                    uint32_t frames) {
        in_[0] = inLeft;
        in_[1] = inRight;
        out_[0] = outLeft;
        out_[1] = outRight;
        frames_ = frames;
        done_ = 0;
    }
    void renderTo(uint32_t frame);
    void finishBlock() { renderTo(frames_); }

    // What the host asked for last, delivered or not.
    int32_t value(int index) const { return wanted_[index]; }
    double tempo() const { return portTempo_; }
    int32_t ticksPerBeat() const { return ticksPerBeat_; }
    const MachineDescription& description() const { return *code_.description; }

  private:
    int32_t samplesPerTickNow() const;
    void start(int32_t sampleRate);
    void send(int index, int32_t value);
    void deliver();

    MachineCode code_;
    std::optional<HostedMachine> machine_;
    ParameterRecord record_;
    int32_t sampleRate_ = 0;
    int count_ = 0;

    int32_t wanted_[kMostParameters] = {};     // the host's values
    int32_t delivered_[kMostParameters] = {};  // the machine's, as last sent
    bool changed_ = false;                     // a wanted value may differ from the machine's
    bool deliverAll_ = true;                   // a fresh machine gets every value
    bool recordOpen_ = false;                  // the next tick's record holds a value
    bool tempoChanged_ = true;                 // the samples per tick must be worked out again
    bool used_ = false;                        // the machine has rendered since it was created
    double portTempo_ = kDefaultTempo;
    double hostTempo_ = 0.0;  // 0 until the host sends a tempo
    int32_t ticksPerBeat_ = kDefaultTicksPerBeat;

    const float* in_[2] = {};
    float* out_[2] = {};
    uint32_t frames_ = 0;
    uint32_t done_ = 0;
};

}  // namespace core
