// clap-info, the CLAP project's inspector, loads our .clap and finds one plug-in with our id, a
// stereo input and output, and the controls with our names and ranges.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/linked_machine.h"
#include "formats/controls.h"
#include "formats/identity.h"
#include "settings/parameter_table.h"
#include "tests/command_output.h"
#include "tests/json_reader.h"

namespace {

TEST(ClapInfo, DescribesOurPluginItsPortsAndControls) {
#ifndef TARVO_CHECKERS_DIR
    GTEST_SKIP() << "the checkers' sources (../shared/validators) are absent, or this build is "
                    "sanitized (clap-info loads the plug-in into its own process)";
#else
    const std::string checker = std::string(TARVO_CHECKERS_DIR) + "/linux/clap-info";
    ASSERT_TRUE(std::filesystem::exists(checker)) << checker;
    const std::string json =
        test::commandOutput("'" + checker + "' '" + TARVO_CLAP_PATH + "' 2>/dev/null");
    const jsontest::Value info = jsontest::Reader(json.substr(json.find('{'))).document();
    ASSERT_EQ(info["plugin_count"].number, 1);
    const jsontest::Value& plugin = info["plugins"].items.at(0);
    EXPECT_EQ(plugin["descriptor"]["id"].text, formats::kClapId);
    for (const char* direction : {"input", "output"}) {
        const jsontest::Value& ports = plugin["extensions"]["clap.audio-ports"];
        EXPECT_EQ(ports[std::string(direction) + "-port-count"].number, 1);
        EXPECT_EQ(ports[std::string(direction) + "-ports"].items.at(0)["channel-count"].number, 2);
    }
    const jsontest::Value& params = plugin["extensions"]["clap.params"];
    const settings::ParameterTable table(core::linkedMachine());
    const std::vector<formats::Control> controls = formats::pluginControls(table);
    ASSERT_EQ(params["param-count"].number, controls.size());
    for (const formats::Control& c : controls) {
        const jsontest::Value& p = params["param-info"].items.at(static_cast<size_t>(c.id));
        EXPECT_EQ(p["name"].text, c.name);
        EXPECT_EQ(p["values"]["min"].number, c.minValue) << c.name;
        EXPECT_EQ(p["values"]["max"].number, c.maxValue) << c.name;
        EXPECT_EQ(p["values"]["default"].number, c.defaultValue) << c.name;
    }
#endif
}

}  // namespace
