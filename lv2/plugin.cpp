// The LV2 plug-in: one more host of the machine. At the start of every run() the control ports
// that changed since they were last delivered go to the machine in one tick; the host's tempo
// (time:Position events) or our tempo ports give the samples per tick, and a tempo change
// splits the block at its frame and delivers the delay lengths that count ticks again.
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "host/sample_scale.h"
#include "host/tempo.h"
#include "lv2/machine_host.h"
#include "lv2/ports.h"
#include "machine/constants.h"
#include "machine/parameters.h"
#include "platform/processor.h"
#include "platform/wide_vectors.h"

namespace {

// The four parameters whose values up to 32000 count thousandths of a tick.
constexpr int kTickLengths[] = {ParamDelayLeft, ParamDelayRight, ParamOffsetLeft, ParamOffsetRight};

struct Uris {
    LV2_URID atomObject = 0, atomBlank = 0, atomFloat = 0, atomDouble = 0, atomInt = 0,
             atomLong = 0, timePosition = 0, timeBeatsPerMinute = 0;
};

constexpr size_t kCacheLine = 64;

struct Plugin {
    lv2host::MachineHost host;
    int32_t sampleRate = 0;

    const float* in[2] = {};
    float* out[2] = {};
    const float* controls[kParameterCount] = {};
    const float* tempoPort = nullptr;
    const float* ticksPerBeatPort = nullptr;
    const LV2_Atom_Sequence* events = nullptr;

    int32_t delivered[kParameterCount] = {};  // the values the machine last received
    uint32_t seen[kParameterCount] = {};      // the ports' bits when they were last read
    bool recordOpen = false;                  // the next tick's record holds a value
    bool tempoChanged = true;                 // the samples per tick must be worked out again
    bool deliverAll = true;                   // a fresh machine gets every parameter
    bool used = false;                        // the machine has run since it was created
    double portTempo = lv2port::kTempoDefault;
    int32_t ticksPerBeat = lv2port::kTicksPerBeatDefault;
    double hostTempo = 0.0;  // 0 until the host sends a tempo
    bool mapped = false;
    bool wide = false;  // the processor runs the loops' wide form
    Uris uris;

    // The channels interleaved for the machine, on a cache line of the storage (a member
    // aligned with alignas would make the instance need the over-aligned operator new).
    float scratchStorage[2 * kMaxBlockFrames + kCacheLine / sizeof(float)];
    float* scratch = nullptr;
};

// A port's value as the machine takes it: rounded, within its range; false if not finite.
bool portValue(const float* port, double min, double max, double& value) {
    if (port == nullptr || !std::isfinite(*port)) return false;
    value = std::round(std::clamp(static_cast<double>(*port), min, max));
    return true;
}

int32_t samplesPerTickNow(const Plugin& p) {
    const double tempo = p.hostTempo > 0.0 ? p.hostTempo : p.portTempo;
    const double samples = roundedSamplesPerTick(p.sampleRate, tempo, p.ticksPerBeat);
    return static_cast<int32_t>(std::clamp(samples, 1.0, double{INT32_MAX}));
}

// The tempo ports, read at the start of a run; a non-finite value keeps the last one.
void readTempoPorts(Plugin& p) {
    if (p.tempoPort != nullptr && std::isfinite(*p.tempoPort)) {
        const double tempo =
            std::clamp(static_cast<double>(*p.tempoPort), lv2port::kTempoMin, lv2port::kTempoMax);
        p.tempoChanged = p.tempoChanged || tempo != p.portTempo;
        p.portTempo = tempo;
    }
    double tpb;
    if (portValue(p.ticksPerBeatPort, lv2port::kTicksPerBeatMin, lv2port::kTicksPerBeatMax, tpb)) {
        p.tempoChanged = p.tempoChanged || tpb != p.ticksPerBeat;
        p.ticksPerBeat = static_cast<int32_t>(tpb);
    }
}

// A value for the next tick; the record is cleared to no-values before its first one.
void send(Plugin& p, int index, int32_t value) {
    if (!p.recordOpen) p.host.clearRecord();
    p.recordOpen = true;
    p.host.setValue(index, value);
}

void tickIfSent(Plugin& p) {
    if (p.recordOpen) p.host.tick();
    p.recordOpen = false;
}

// A time:Position event carrying a tempo sets the host tempo; true if it carried one.
bool readPosition(Plugin& p, const LV2_Atom_Event* event) {
    const Uris& u = p.uris;
    if (event->body.type != u.atomObject && event->body.type != u.atomBlank) return false;
    const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
    if (object->body.otype != u.timePosition) return false;
    const LV2_Atom* bpm = nullptr;
    lv2_atom_object_get(object, u.timeBeatsPerMinute, &bpm, 0);
    if (bpm == nullptr) return false;
    double tempo;
    if (bpm->type == u.atomFloat && bpm->size >= sizeof(float))
        tempo = reinterpret_cast<const LV2_Atom_Float*>(bpm)->body;
    else if (bpm->type == u.atomDouble && bpm->size >= sizeof(double))
        tempo = reinterpret_cast<const LV2_Atom_Double*>(bpm)->body;
    else if (bpm->type == u.atomInt && bpm->size >= sizeof(int32_t))
        tempo = reinterpret_cast<const LV2_Atom_Int*>(bpm)->body;
    else if (bpm->type == u.atomLong && bpm->size >= sizeof(int64_t))
        tempo = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(bpm)->body);
    else
        return false;
    if (!(tempo > 0.0) || !std::isfinite(tempo)) return false;
    tempo = std::clamp(tempo, lv2port::kTempoMin, lv2port::kTempoMax);
    p.tempoChanged = p.tempoChanged || tempo != p.hostTempo;
    p.hostTempo = tempo;
    return true;
}

// Takes up a new samples-per-tick count: the delay lengths that count ticks are delivered
// again, as if the host had sent them at this moment. False if the count did not change.
bool takeTempo(Plugin& p) {
    if (!p.tempoChanged) return false;
    p.tempoChanged = false;
    const int32_t samples = samplesPerTickNow(p);
    if (samples == p.host.master.samplesPerTick) return false;
    p.host.master.samplesPerTick = samples;
    p.host.master.beatsPerMinute =
        static_cast<int32_t>(p.hostTempo > 0.0 ? p.hostTempo : p.portTempo);
    p.host.master.ticksPerBeat = p.ticksPerBeat;
    for (const int index : kTickLengths)
        if (p.delivered[index] <= kTickValueLimit) send(p, index, p.delivered[index]);
    return true;
}

// Whether any control port's bits differ from when they were last read: one pass that only
// reads and compares, as most runs find nothing changed.
bool portsMoved(const Plugin& p) {
    uint32_t moved = 0;
    for (int i = 0; i < kParameterCount; ++i)
        if (p.controls[i] != nullptr) moved |= std::bit_cast<uint32_t>(*p.controls[i]) ^ p.seen[i];
    return moved != 0;
}

// The start of a run: every control that changed, and the tick lengths if the tempo did. A port
// whose bits are as they were is not looked at again.
void deliverControls(Plugin& p) {
    if (!p.deliverAll && !p.tempoChanged && !portsMoved(p)) return;
    for (int i = 0; i < kParameterCount; ++i) {
        if (p.controls[i] == nullptr) continue;
        const auto bits = std::bit_cast<uint32_t>(*p.controls[i]);
        if (bits == p.seen[i] && !p.deliverAll) continue;
        p.seen[i] = bits;
        const ParameterDescriptor& d = *p.host.info().parameters[i];
        double value;
        if (!portValue(p.controls[i], d.minValue, d.maxValue, value)) {
            if (!p.deliverAll) continue;
            value = p.delivered[i];  // the default, put there when the machine was created
        }
        const auto v = static_cast<int32_t>(value);
        if (!p.deliverAll && v == p.delivered[i]) continue;
        p.delivered[i] = v;
        if (!p.deliverAll) send(p, i, v);
    }
    if (p.deliverAll)  // every value at once, even those of ports left unconnected
        for (int i = 0; i < kParameterCount; ++i) send(p, i, p.delivered[i]);
    takeTempo(p);
    tickIfSent(p);
    p.deliverAll = false;
}

// An input sample in the machine's scale; one that is not finite enters as silence, so that no
// host's fault reaches the output.
inline float toHostScale(float sample) {
    const float scaled = sample * kHostScale;
    return std::fabs(scaled) <= std::numeric_limits<float>::max() ? scaled : 0.0f;
}

// The two loops that move a piece between the host's channels and the machine's frames. They
// scale by a power of two and compare, which is exact in any form, so they run in the
// processor's widest.
TARVO_INLINE_LOOP inline void interleaveLoop(const float* __restrict left,
                                             const float* __restrict right,
                                             float* __restrict frames, ptrdiff_t count) {
    for (ptrdiff_t i = 0; i < count; ++i) {
        frames[2 * i] = toHostScale(left[i]);
        frames[2 * i + 1] = toHostScale(right[i]);
    }
}

TARVO_INLINE_LOOP inline void splitLoop(const float* __restrict frames, float* __restrict left,
                                        float* __restrict right, ptrdiff_t count) {
    for (ptrdiff_t i = 0; i < count; ++i) {
        left[i] = hostToUnit(frames[2 * i]);
        right[i] = hostToUnit(frames[2 * i + 1]);
    }
}

void interleave(bool wide, const float* left, const float* right, float* frames, ptrdiff_t count) {
    platform::runLoop(wide,
                      [&]() TARVO_INLINE_LOOP { interleaveLoop(left, right, frames, count); });
}

void split(bool wide, const float* frames, float* left, float* right, ptrdiff_t count) {
    platform::runLoop(wide, [&]() TARVO_INLINE_LOOP { splitLoop(frames, left, right, count); });
}

// Frames [from, to) through the machine, at most 256 at a time; a piece's input is read before
// its output is written, so the two may be the same buffer.
void renderFrames(Plugin& p, uint32_t from, uint32_t to) {
    while (from < to) {
        const uint32_t count = std::min<uint32_t>(to - from, kMaxBlockFrames);
        interleave(p.wide, p.in[0] + from, p.in[1] + from, p.scratch, count);
        p.host.render(p.scratch, static_cast<int32_t>(count));
        split(p.wide, p.scratch, p.out[0] + from, p.out[1] + from, count);
        from += count;
    }
}

void startMachine(Plugin& p) {
    p.host.master = MasterInfo{};
    p.host.master.sampleRate = p.sampleRate;
    p.host.master.samplesPerTick = samplesPerTickNow(p);
    p.host.create();
    for (int i = 0; i < kParameterCount; ++i)
        p.delivered[i] = p.host.info().parameters[i]->defaultValue;
    p.deliverAll = true;
    p.recordOpen = false;
    p.tempoChanged = true;
    p.used = false;
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
    if (!(rate >= 1.0 && rate <= INT32_MAX)) return nullptr;
    auto* p = new (std::nothrow) Plugin();
    if (p == nullptr) return nullptr;
    p->sampleRate = static_cast<int32_t>(std::lround(rate));
    p->wide = platform::hasWideVectors();
    void* storage = p->scratchStorage;
    size_t space = sizeof p->scratchStorage;
    p->scratch = static_cast<float*>(
        std::align(kCacheLine, sizeof(float) * 2 * kMaxBlockFrames, storage, space));
    for (int i = 0; features != nullptr && features[i] != nullptr; ++i) {
        if (std::strcmp(features[i]->URI, LV2_URID__map) != 0) continue;
        const auto* map = static_cast<const LV2_URID_Map*>(features[i]->data);
        if (map == nullptr) continue;
        Uris& u = p->uris;
        u.atomObject = map->map(map->handle, LV2_ATOM__Object);
        u.atomBlank = map->map(map->handle, LV2_ATOM__Blank);
        u.atomFloat = map->map(map->handle, LV2_ATOM__Float);
        u.atomDouble = map->map(map->handle, LV2_ATOM__Double);
        u.atomInt = map->map(map->handle, LV2_ATOM__Int);
        u.atomLong = map->map(map->handle, LV2_ATOM__Long);
        u.timePosition = map->map(map->handle, LV2_TIME__Position);
        u.timeBeatsPerMinute = map->map(map->handle, LV2_TIME__beatsPerMinute);
        p->mapped = true;
    }
    startMachine(*p);
    if (!p->host.alive()) {
        delete p;
        return nullptr;
    }
    return p;
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) {
    auto& p = *static_cast<Plugin*>(handle);
    switch (port) {
        case lv2port::InLeft:
        case lv2port::InRight:
            p.in[port - lv2port::InLeft] = static_cast<const float*>(data);
            break;
        case lv2port::OutLeft:
        case lv2port::OutRight:
            p.out[port - lv2port::OutLeft] = static_cast<float*>(data);
            break;
        case lv2port::Tempo:
            p.tempoPort = static_cast<const float*>(data);
            break;
        case lv2port::TicksPerBeat:
            p.ticksPerBeatPort = static_cast<const float*>(data);
            break;
        case lv2port::Control:
            p.events = static_cast<const LV2_Atom_Sequence*>(data);
            break;
        default:
            if (port >= lv2port::FirstParameter && port < lv2port::Tempo)
                p.controls[port - lv2port::FirstParameter] = static_cast<const float*>(data);
            break;
    }
}

// A machine that has run starts again from silence.
void activate(LV2_Handle handle) {
    auto& p = *static_cast<Plugin*>(handle);
    if (p.used || !p.host.alive()) startMachine(p);
}

void run(LV2_Handle handle, uint32_t frames) {
    auto& p = *static_cast<Plugin*>(handle);
    if (!p.host.alive()) {
        for (float* channel : p.out)
            if (channel != nullptr) std::fill(channel, channel + frames, 0.0f);
        return;
    }
    p.used = true;
    readTempoPorts(p);

    const bool timed = p.mapped && p.events != nullptr;
    // Tempo events at the block's first frame count before its tick.
    if (timed) {
        LV2_ATOM_SEQUENCE_FOREACH(p.events, event) {
            if (event->time.frames > 0) break;
            readPosition(p, event);
        }
    }
    deliverControls(p);

    uint32_t done = 0;
    if (timed) {
        LV2_ATOM_SEQUENCE_FOREACH(p.events, event) {
            if (event->time.frames <= 0) continue;
            // An event out of order takes effect where the block has got to: no frame twice.
            const auto at =
                static_cast<uint32_t>(std::clamp<int64_t>(event->time.frames, done, frames));
            if (!readPosition(p, event)) continue;
            renderFrames(p, done, at);
            done = at;
            takeTempo(p);
            tickIfSent(p);
        }
    }
    renderFrames(p, done, frames);
}

void deactivate(LV2_Handle) {}

void cleanup(LV2_Handle handle) { delete static_cast<Plugin*>(handle); }

const void* extensionData(const char*) { return nullptr; }

const LV2_Descriptor kDescriptor = {lv2port::kPluginUri, instantiate, connectPort,  activate, run,
                                    deactivate,          cleanup,     extensionData};

}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(
    uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
