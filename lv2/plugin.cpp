// The LV2 plug-in: one more host of the machine, through the plug-in core. At the start of every
// run() the control ports that moved since they were last read go to the core, our tempo ports
// among them; the host's tempo (time:Position events) comes in at the frame of its event, which
// splits the block there.
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>

#include "core/linked_machine.h"
#include "core/plugin_core.h"
#include "lv2/ports.h"
#include "machine/parameters.h"

namespace {

struct Uris {
    LV2_URID atomObject = 0, atomBlank = 0, atomFloat = 0, atomDouble = 0, atomInt = 0,
             atomLong = 0, timePosition = 0, timeBeatsPerMinute = 0;
};

// The control ports the plug-in reads at every run: the machine's parameters, then our tempo
// ports.
constexpr int kTempoControl = kParameterCount, kTicksPerBeatControl = kParameterCount + 1;
constexpr int kControlCount = kParameterCount + 2;
static_assert(lv2port::Tempo == lv2port::FirstParameter + kTempoControl &&
              lv2port::TicksPerBeat == lv2port::FirstParameter + kTicksPerBeatControl);

struct Plugin {
    Plugin() {
        for (int i = 0; i < kControlCount; ++i) controls[i] = &parked[i];
    }
    bool connected(int i) const { return controls[i] != &parked[i]; }

    core::PluginCore core{core::linkedMachine()};
    int32_t sampleRate = 0;

    const float* in[2] = {};
    float* out[2] = {};
    // A port the host has not connected points at its parked value, which holds the bits last
    // read from it, so that the check for moved ports reads every port alike.
    const float* controls[kControlCount];
    const LV2_Atom_Sequence* events = nullptr;

    uint32_t seen[kControlCount] = {};  // the ports' bits when they were last read
    float parked[kControlCount] = {};
    // The host keeps the ports' values side by side, in port order, as many hosts do: then the
    // check reads them as one array.
    const float* consecutive = nullptr;
    bool readAll = true;  // a fresh machine takes every port
    bool mapped = false;
    Uris uris;
};

// The tempo a time:Position event carries, if it carries one.
std::optional<double> positionTempo(const Plugin& p, const LV2_Atom_Event* event) {
    const Uris& u = p.uris;
    if (event->body.type != u.atomObject && event->body.type != u.atomBlank) return std::nullopt;
    const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
    if (object->body.otype != u.timePosition) return std::nullopt;
    const LV2_Atom* bpm = nullptr;
    lv2_atom_object_get(object, u.timeBeatsPerMinute, &bpm, 0);
    if (bpm == nullptr) return std::nullopt;
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
        return std::nullopt;
    if (!(tempo > 0.0) || !std::isfinite(tempo)) return std::nullopt;
    return tempo;
}

// Whether any control port's bits differ from when they were last read: one pass that only
// reads and compares, without a branch, as most runs find nothing changed.
bool portsMoved(const Plugin& p) {
    uint32_t moved = 0;
    if (const float* values = p.consecutive) {
        for (int i = 0; i < kControlCount; ++i)
            moved |= std::bit_cast<uint32_t>(values[i]) ^ p.seen[i];
        return moved != 0;
    }
#pragma GCC unroll 64
    for (int i = 0; i < kControlCount; ++i)
        moved |= std::bit_cast<uint32_t>(*p.controls[i]) ^ p.seen[i];
    return moved != 0;
}

// The connected control ports whose bits moved (all of them after an activation) go to the
// core. Reading a value again changes nothing there, so a port that stands is left alone.
void readControls(Plugin& p) {
    if (!p.readAll && !portsMoved(p)) return;
    for (int i = 0; i < kControlCount; ++i) {
        if (!p.connected(i)) continue;
        const float value = *p.controls[i];
        const auto bits = std::bit_cast<uint32_t>(value);
        if (bits == p.seen[i] && !p.readAll) continue;
        p.seen[i] = bits;
        if (i == kTempoControl)
            p.core.setTempo(value);
        else if (i == kTicksPerBeatControl)
            p.core.setTicksPerBeat(value);
        else
            p.core.setValue(i, value);
    }
    p.readAll = false;
}

void connectControl(Plugin& p, int i, const void* data) {
    p.parked[i] = std::bit_cast<float>(p.seen[i]);
    p.controls[i] = data != nullptr ? static_cast<const float*>(data) : &p.parked[i];
    bool consecutive = p.connected(0);
    for (int k = 1; k < kControlCount; ++k)
        consecutive = consecutive && p.controls[k] == p.controls[0] + k;
    p.consecutive = consecutive ? p.controls[0] : nullptr;
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
    if (!(rate >= 1.0 && rate <= INT32_MAX)) return nullptr;
    auto* p = new (std::nothrow) Plugin();
    if (p == nullptr) return nullptr;
    p->sampleRate = static_cast<int32_t>(std::lround(rate));
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
    if (!p->core.activate(p->sampleRate)) {
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
        case lv2port::Control:
            p.events = static_cast<const LV2_Atom_Sequence*>(data);
            break;
        default:
            if (port >= lv2port::FirstParameter && port <= lv2port::TicksPerBeat)
                connectControl(p, static_cast<int>(port - lv2port::FirstParameter), data);
            break;
    }
}

// A machine that has run starts again from silence.
void activate(LV2_Handle handle) {
    auto& p = *static_cast<Plugin*>(handle);
    p.core.activate(p.sampleRate);
    p.readAll = true;
}

void run(LV2_Handle handle, uint32_t frames) {
    auto& p = *static_cast<Plugin*>(handle);
    const bool timed = p.mapped && p.events != nullptr;
    // Tempo events at the block's first frame count before its first tick.
    if (timed) {
        LV2_ATOM_SEQUENCE_FOREACH(p.events, event) {
            if (event->time.frames > 0) break;
            if (const auto tempo = positionTempo(p, event)) p.core.setHostTempo(*tempo);
        }
    }
    readControls(p);

    p.core.startBlock(p.in[0], p.in[1], p.out[0], p.out[1], frames);
    if (timed) {
        LV2_ATOM_SEQUENCE_FOREACH(p.events, event) {
            if (event->time.frames <= 0) continue;
            const auto tempo = positionTempo(p, event);
            if (!tempo) continue;
            p.core.renderTo(static_cast<uint32_t>(std::min<int64_t>(event->time.frames, frames)));
            p.core.setHostTempo(*tempo);
        }
    }
    p.core.finishBlock();
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
