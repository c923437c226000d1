// The bundle as lilv reads it: every port where the machine's table puts it, with the table's
// name, range and default, and the machine's own value texts on the enumerations.
#include <cmath>
#include <string>

#include "core/hosted_machine.h"
#include "lv2/port_symbol.h"
#include "lv2_host.h"

namespace {

using lv2test::World;

struct Nodes {
    explicit Nodes(LilvWorld* w)
        : integer(lilv_new_uri(w, LV2_CORE__integer)),
          enumeration(lilv_new_uri(w, LV2_CORE__enumeration)),
          optional(lilv_new_uri(w, LV2_CORE__connectionOptional)),
          control(lilv_new_uri(w, LV2_CORE__ControlPort)),
          input(lilv_new_uri(w, LV2_CORE__InputPort)),
          audio(lilv_new_uri(w, LV2_CORE__AudioPort)),
          atomPort(lilv_new_uri(w, LV2_ATOM__AtomPort)),
          supports(lilv_new_uri(w, LV2_ATOM__supports)),
          position(lilv_new_uri(w, LV2_TIME__Position)),
          hardRT(lilv_new_uri(w, LV2_CORE__hardRTCapable)) {}
    ~Nodes() {
        for (LilvNode* n : {integer, enumeration, optional, control, input, audio, atomPort,
                            supports, position, hardRT})
            lilv_node_free(n);
    }
    LilvNode *integer, *enumeration, *optional, *control, *input, *audio, *atomPort, *supports,
        *position, *hardRT;
};

std::string symbolOf(const LilvPort* port) {
    return lilv_node_as_string(lilv_port_get_symbol(World::get().plugin, port));
}

TEST(Lv2Description, OnlyOurBundleIsFoundAndItLoads) {
    ASSERT_NE(World::get().plugin, nullptr) << "no plug-in " << lv2port::kPluginUri;
    EXPECT_EQ(lilv_plugins_size(lilv_world_get_all_plugins(World::get().world)), 1u);
    LilvNode* name = lilv_plugin_get_name(World::get().plugin);
    EXPECT_STREQ(lilv_node_as_string(name), "Tarvo Delay");
    lilv_node_free(name);
    EXPECT_EQ(lilv_plugin_get_num_ports(World::get().plugin), uint32_t{lv2port::kCount});
    EXPECT_FALSE(lilv_plugin_has_latency(World::get().plugin));
    Nodes n(World::get().world);
    LilvNodes* optional = lilv_plugin_get_optional_features(World::get().plugin);
    EXPECT_TRUE(lilv_nodes_contains(optional, n.hardRT));
    lilv_nodes_free(optional);
    LilvNodes* required = lilv_plugin_get_required_features(World::get().plugin);
    EXPECT_EQ(lilv_nodes_size(required), 0u);
    lilv_nodes_free(required);
}

TEST(Lv2Description, PortsFollowTheMachinesTable) {
    const LilvPlugin* plugin = World::get().plugin;
    ASSERT_NE(plugin, nullptr);
    Nodes n(World::get().world);
    const char* audio[] = {"in_l", "in_r", "out_l", "out_r"};
    for (uint32_t i = 0; i < 4; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        EXPECT_EQ(symbolOf(port), audio[i]);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, n.audio));
        EXPECT_EQ(lilv_port_is_a(plugin, port, n.input), i < 2);
    }

    offline::PluginLibrary& library = lv2test::Instance::machineLibrary();
    const MachineDescription& info = *library.info();
    core::HostedMachine machine(library.code(), 44100, 5250);
    std::vector<float> mins(lv2port::kCount), maxs(lv2port::kCount), defs(lv2port::kCount);
    lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), defs.data());
    for (int i = 0; i < kParameterCount; ++i) {
        SCOPED_TRACE(info.parameters[i]->name);
        const ParameterDescriptor& d = *info.parameters[i];
        const uint32_t index = lv2port::FirstParameter + i;
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        ASSERT_NE(port, nullptr);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, n.control));
        EXPECT_TRUE(lilv_port_is_a(plugin, port, n.input));
        EXPECT_EQ(symbolOf(port), lv2port::symbolFor(d.name));
        LilvNode* name = lilv_port_get_name(plugin, port);
        EXPECT_STREQ(lilv_node_as_string(name), d.name);
        lilv_node_free(name);
        EXPECT_EQ(mins[index], static_cast<float>(d.minValue));
        EXPECT_EQ(maxs[index], static_cast<float>(d.maxValue));
        EXPECT_EQ(defs[index], static_cast<float>(d.defaultValue));
        EXPECT_LE(mins[index], defs[index]);
        EXPECT_LE(defs[index], maxs[index]);
        EXPECT_TRUE(lilv_port_has_property(plugin, port, n.integer));

        // Every scale point lies in range and carries the machine's text for its value.
        LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
        const bool enumerated = lilv_port_has_property(plugin, port, n.enumeration);
        if (enumerated) {
            ASSERT_NE(points, nullptr);
            EXPECT_EQ(lilv_scale_points_size(points), unsigned(d.maxValue - d.minValue + 1));
        }
        LILV_FOREACH(scale_points, it, points) {
            const LilvScalePoint* point = lilv_scale_points_get(points, it);
            const float value = lilv_node_as_float(lilv_scale_point_get_value(point));
            EXPECT_GE(value, mins[index]);
            EXPECT_LE(value, maxs[index]);
            std::string text = machine.valueText(i, static_cast<int32_t>(value));
            if (text.find('\xB0') != std::string::npos)
                text.replace(text.find('\xB0'), 1, "\u00B0");
            EXPECT_EQ(lilv_node_as_string(lilv_scale_point_get_label(point)), text);
        }
        if (points != nullptr) lilv_scale_points_free(points);
    }
    // The names the enumerations need are exactly these seven.
    int enumerations = 0;
    for (int i = 0; i < kParameterCount; ++i)
        enumerations += lilv_port_has_property(
            plugin, lilv_plugin_get_port_by_index(plugin, lv2port::FirstParameter + i),
            n.enumeration);
    EXPECT_EQ(enumerations, 7);

    EXPECT_EQ(symbolOf(lilv_plugin_get_port_by_index(plugin, lv2port::Tempo)), "bpm");
    EXPECT_EQ(mins[lv2port::Tempo], 20.0f);
    EXPECT_EQ(maxs[lv2port::Tempo], 999.0f);
    EXPECT_EQ(defs[lv2port::Tempo], 126.0f);
    EXPECT_EQ(symbolOf(lilv_plugin_get_port_by_index(plugin, lv2port::TicksPerBeat)), "tpb");
    EXPECT_EQ(mins[lv2port::TicksPerBeat], 1.0f);
    EXPECT_EQ(maxs[lv2port::TicksPerBeat], 64.0f);
    EXPECT_EQ(defs[lv2port::TicksPerBeat], 4.0f);
    const LilvPort* events = lilv_plugin_get_port_by_index(plugin, lv2port::Control);
    EXPECT_TRUE(lilv_port_is_a(plugin, events, n.atomPort));
    EXPECT_TRUE(lilv_port_is_a(plugin, events, n.input));
    EXPECT_TRUE(lilv_port_supports_event(plugin, events, n.position));
    EXPECT_TRUE(lilv_port_has_property(plugin, events, n.optional));
}

TEST(Lv2Description, SymbolsFollowTheNamingRule) {
    EXPECT_EQ(lv2port::symbolFor("DLY DelayL"), "dly_delayl");
    EXPECT_EQ(lv2port::symbolFor("PAN PosL A"), "pan_posl_a");
    EXPECT_EQ(lv2port::symbolFor("Input Mode"), "input_mode");
    EXPECT_EQ(lv2port::symbolFor("A -- b"), "a_b");
}

}  // namespace
