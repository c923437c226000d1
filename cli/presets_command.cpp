// tarvo-delay presets [--json]: the factory presets, each with the sentence that describes it.
#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/factory_presets.h"
#include "cli/json_text.h"

namespace cli {

int runPresets(const PresetsOptions& options, const core::MachineCode&) {
    const std::vector<PresetEntry> presets = factoryPresets();
    if (options.json) {
        std::string out = "[\n";
        for (size_t i = 0; i < presets.size(); ++i)
            out += "  {\"name\": " + jsonString(presets[i].name) +
                   ", \"description\": " + jsonString(presets[i].description) +
                   ", \"file\": " + jsonString(presets[i].path) +
                   (i + 1 < presets.size() ? "},\n" : "}\n");
        std::fputs((out + "]\n").c_str(), stdout);
        return 0;
    }
    if (presets.empty()) {
        std::fprintf(stderr, "tarvo-delay: no factory presets are installed\n");
        return 0;
    }
    size_t width = 0;
    for (const PresetEntry& p : presets) width = std::max(width, p.name.size());
    for (const PresetEntry& p : presets)
        std::printf("%-*s  %s\n", static_cast<int>(width), p.name.c_str(), p.description.c_str());
    return 0;
}

}  // namespace cli
