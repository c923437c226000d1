#include "formats/controls.h"

#include "host/conventions.h"

namespace formats {

std::vector<Control> pluginControls(const settings::ParameterTable& table) {
    std::vector<Control> controls;
    for (const settings::ParameterInfo& p : table.parameters())
        controls.push_back({p.index, p.name, static_cast<double>(p.minValue),
                            static_cast<double>(p.maxValue), static_cast<double>(p.defaultValue),
                            true, p.enumerated && !p.valueTexts.empty()});
    controls.push_back(
        {kTempoId, kTempoName, core::kTempoMin, core::kTempoMax, kDefaultTempo, false, false});
    controls.push_back({kTicksPerBeatId, kTicksPerBeatName, double{core::kTicksPerBeatMin},
                        double{core::kTicksPerBeatMax}, double{kDefaultTicksPerBeat}, true, false});
    return controls;
}

}  // namespace formats
