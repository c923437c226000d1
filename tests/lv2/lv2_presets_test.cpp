// The LV2 presets in the bundle, loaded as hosts load them, hold the values the tool reads
// from the same factory preset files.
#ifdef TARVO_CLI_PATH

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/presets/presets.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "core/plugin_core.h"
#include "lv2/port_symbol.h"
#include "lv2/ports.h"
#include "tests/command_output.h"
#include "tests/json_reader.h"
#include "tests/lv2/lv2_host.h"

namespace {

using test::toolOutput;

std::string nodeText(const LilvNode* node) {
    return node != nullptr && lilv_node_is_string(node) ? lilv_node_as_string(node) : "";
}

TEST(Lv2Presets, EveryFactoryPresetIsAnLv2PresetWithTheToolsValues) {
    LilvWorld* world = lv2test::World::get().world;
    const LilvPlugin* plugin = lv2test::World::get().plugin;
    ASSERT_NE(plugin, nullptr);
    LilvNode* presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
    LilvNode* label = lilv_new_uri(world, LILV_NS_RDFS "label");
    LilvNode* comment = lilv_new_uri(world, LILV_NS_RDFS "comment");
    LilvNodes* related = lilv_plugin_get_related(plugin, presetClass);
    std::map<std::string, const LilvNode*> byLabel;
    LILV_FOREACH(nodes, i, related) {
        const LilvNode* preset = lilv_nodes_get(related, i);
        lilv_world_load_resource(world, preset);
        LilvNode* name = lilv_world_get(world, preset, label, nullptr);
        byLabel[nodeText(name)] = preset;
        lilv_node_free(name);
    }

    const jsontest::Value factory = jsontest::parse(toolOutput("presets --json"));
    ASSERT_GE(factory.items.size(), 10u);
    EXPECT_EQ(byLabel.size(), factory.items.size());
    lv2test::UridMap map;
    for (const jsontest::Value& entry : factory.items) {
        const std::string name = entry["name"].text;
        const auto found = byLabel.find(name);
        ASSERT_NE(found, byLabel.end()) << name << " is no LV2 preset";
        LilvNode* description = lilv_world_get(world, found->second, comment, nullptr);
        EXPECT_EQ(nodeText(description), entry["description"].text);
        lilv_node_free(description);

        // The tool's reading at 44100 Hz and the plug-in's default tempo and ticks per beat.
        std::map<std::string, double> expected;
        const jsontest::Value values = jsontest::parse(
            toolOutput("params --json --rate 44100 --bpm " + std::to_string(kDefaultTempo) +
                       " --tpb " + std::to_string(kDefaultTicksPerBeat) + " --preset " + name));
        for (const jsontest::Value& p : values.items)
            expected[lv2port::symbolFor(p["name"].text)] = p["value"].number;
        expected["bpm"] = kDefaultTempo;
        expected["tpb"] = kDefaultTicksPerBeat;
        ASSERT_EQ(expected.size(), 38u);

        LilvState* state = lilv_state_new_from_world(world, &map.map, found->second);
        ASSERT_NE(state, nullptr) << name;
        std::map<std::string, double> stored;
        lilv_state_emit_port_values(
            state,
            [](const char* symbol, void* data, const void* value, uint32_t size, uint32_t) {
                auto& out = *static_cast<std::map<std::string, double>*>(data);
                out[symbol] = size == sizeof(float) ? *static_cast<const float*>(value) : -1e9;
            },
            &stored);
        lilv_state_free(state);
        EXPECT_EQ(stored, expected) << name;
    }
    lilv_nodes_free(related);
    lilv_node_free(comment);
    lilv_node_free(label);
    lilv_node_free(presetClass);
}

}  // namespace

#endif  // TARVO_CLI_PATH
