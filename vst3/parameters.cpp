#include "vst3/parameters.h"

#include <algorithm>
#include <cmath>

#include "formats/plugin_state.h"
#include "vst3/utf16.h"

namespace vst3 {

namespace {

double clampedUnit(double normalised) {
    return normalised > 0.0 ? std::min(normalised, 1.0) : 0.0;  // not a number: 0
}

}  // namespace

double Range::toPlain(double normalised) const {
    const double n = clampedUnit(normalised);
    if (steps == 0) return lowest + n * (highest - lowest);
    return lowest + std::min(static_cast<double>(steps), std::floor(n * (steps + 1)));
}

double Range::toNormalised(double plain) const {
    if (!(highest > lowest)) return 0.0;
    const double p = std::clamp(std::isnan(plain) ? lowest : plain, lowest, highest);
    if (steps == 0) return (p - lowest) / (highest - lowest);
    return (std::round(p) - lowest) / steps;
}

Ranges parameterRanges(const std::vector<formats::Control>& controls) {
    Ranges ranges{};
    for (const formats::Control& c : controls)
        ranges[static_cast<size_t>(c.id)] = {
            c.minValue, c.maxValue, c.stepped ? static_cast<int32_t>(c.maxValue - c.minValue) : 0};
    const int last = formats::kFactoryPresetCount - 1;
    ranges[kProgramId] = {0.0, static_cast<double>(last), last};
    return ranges;
}

v3_param_info parameterInfo(int id, const std::vector<formats::Control>& controls,
                            const Ranges& ranges) {
    v3_param_info info{};
    const Range& range = ranges[static_cast<size_t>(id)];
    info.param_id = static_cast<v3_param_id>(id);
    info.step_count = range.steps;
    info.unit_id = kRootUnit;
    if (id == kProgramId) {
        toUtf16("Program", info.title, 128);
        info.flags = V3_PARAM_PROGRAM_CHANGE | V3_PARAM_IS_LIST;
    } else {
        const formats::Control& c = controls[static_cast<size_t>(id)];
        toUtf16(c.name, info.title, 128);
        info.default_normalised_value = range.toNormalised(c.defaultValue);
        info.flags = V3_PARAM_CAN_AUTOMATE | (c.enumerated ? V3_PARAM_IS_LIST : 0);
    }
    std::copy(std::begin(info.title), std::end(info.title), info.short_title);
    return info;
}

}  // namespace vst3
