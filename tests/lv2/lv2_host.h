// A small LV2 host for the tests: finds our plug-in through lilv in the folder LV2_PATH names,
// instantiates it with or without urid:map, connects every port to its own buffer and runs it.
// Beside it, the offline host's replay of the same session, for bit-for-bit comparison.
#pragma once

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "lv2/ports.h"
#include "machine/parameters.h"
#include "offline/plugin_library.h"
#include "tests/plugin_session.h"

namespace lv2test {

// One lilv world for the whole test program; our bundle must be the only plug-in in it.
class World {
  public:
    static World& get() {
        static World world;
        return world;
    }
    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;

  private:
    World() {
        world = lilv_world_new();
        lilv_world_load_all(world);
        LilvNode* uri = lilv_new_uri(world, lv2port::kPluginUri);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
    }
};

// urid:map over a growing table of URIs.
class UridMap {
  public:
    UridMap() {
        map.handle = this;
        map.map = [](LV2_URID_Map_Handle handle, const char* uri) -> LV2_URID {
            auto& self = *static_cast<UridMap*>(handle);
            auto [it, added] =
                self.ids.try_emplace(uri, static_cast<LV2_URID>(self.ids.size() + 1));
            return it->second;
        };
        feature = {LV2_URID__map, &map};
    }
    LV2_URID_Map map{};
    LV2_Feature feature{};
    std::map<std::string, LV2_URID> ids;
};

struct TempoEvent {
    uint32_t frame;
    float beatsPerMinute;
};

class Instance {
  public:
    Instance(double rate, bool withMap = true) {
        const LV2_Feature* features[] = {withMap ? &map_.feature : nullptr, nullptr};
        instance = lilv_plugin_instantiate(World::get().plugin, rate, features);
        if (instance == nullptr) return;
        lv2_atom_forge_init(&forge_, &map_.map);
        position_ = map_.map.map(map_.map.handle, LV2_TIME__Position);
        beatsPerMinute_ = map_.map.map(map_.map.handle, LV2_TIME__beatsPerMinute);
        speed_ = map_.map.map(map_.map.handle, LV2_TIME__speed);
        for (int i = 0; i < kParameterCount; ++i) controls[i] = plugintest::defaultOf(i);
        for (int i = 0; i < kParameterCount; ++i)
            lilv_instance_connect_port(instance, lv2port::FirstParameter + i, &controls[i]);
        lilv_instance_connect_port(instance, lv2port::Tempo, &tempo);
        lilv_instance_connect_port(instance, lv2port::TicksPerBeat, &ticksPerBeat);
        lilv_instance_connect_port(instance, lv2port::Control, events_.data());
    }
    ~Instance() {
        if (instance != nullptr) {
            if (active_) lilv_instance_deactivate(instance);
            lilv_instance_free(instance);
        }
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    static offline::PluginLibrary& machineLibrary() { return plugintest::machineLibrary(); }

    void activate() {
        lilv_instance_activate(instance);
        active_ = true;
    }
    void deactivate() {
        lilv_instance_deactivate(instance);
        active_ = false;
    }
    void set(int parameter, float value) { controls[parameter] = value; }

    // One run() over separate input and output buffers (or the same ones), with the given
    // tempo events in its sequence.
    void run(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames,
             const std::vector<TempoEvent>& tempos = {}) {
        writeEvents(tempos);
        lilv_instance_connect_port(instance, lv2port::InLeft, const_cast<float*>(inL));
        lilv_instance_connect_port(instance, lv2port::InRight, const_cast<float*>(inR));
        lilv_instance_connect_port(instance, lv2port::OutLeft, outL);
        lilv_instance_connect_port(instance, lv2port::OutRight, outR);
        lilv_instance_run(instance, frames);
    }

    // Whole channels through runs of `block` frames; `tempos` and control changes by frame.
    void process(const std::vector<float>& inL, const std::vector<float>& inR,
                 std::vector<float>& outL, std::vector<float>& outR, uint32_t block,
                 const std::vector<TempoEvent>& tempos = {}) {
        outL.assign(inL.size(), 0.0f);
        outR.assign(inR.size(), 0.0f);
        for (size_t at = 0; at < inL.size(); at += block) {
            const auto n = static_cast<uint32_t>(std::min<size_t>(block, inL.size() - at));
            std::vector<TempoEvent> here;
            for (const TempoEvent& t : tempos)
                if (t.frame >= at && t.frame < at + n)
                    here.push_back({static_cast<uint32_t>(t.frame - at), t.beatsPerMinute});
            run(inL.data() + at, inR.data() + at, outL.data() + at, outR.data() + at, n, here);
        }
    }

    LilvInstance* instance = nullptr;
    float controls[kParameterCount] = {};
    float tempo = 126.0f;
    float ticksPerBeat = 4.0f;

  private:
    void writeEvents(const std::vector<TempoEvent>& tempos) {
        lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<uint8_t*>(events_.data()),
                                  events_.size() * sizeof(uint64_t));
        LV2_Atom_Forge_Frame sequence;
        lv2_atom_forge_sequence_head(&forge_, &sequence, 0);
        for (const TempoEvent& t : tempos) {
            lv2_atom_forge_frame_time(&forge_, t.frame);
            LV2_Atom_Forge_Frame object;
            lv2_atom_forge_object(&forge_, &object, 0, position_);
            lv2_atom_forge_key(&forge_, speed_);
            lv2_atom_forge_float(&forge_, 1.0f);
            lv2_atom_forge_key(&forge_, beatsPerMinute_);
            lv2_atom_forge_float(&forge_, t.beatsPerMinute);
            lv2_atom_forge_pop(&forge_, &object);
        }
        lv2_atom_forge_pop(&forge_, &sequence);
    }

    UridMap map_;
    LV2_Atom_Forge forge_{};
    LV2_URID position_ = 0, beatsPerMinute_ = 0, speed_ = 0;
    std::vector<uint64_t> events_ = std::vector<uint64_t>(4096);
    bool active_ = false;
};

}  // namespace lv2test
