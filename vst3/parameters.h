// The plug-in's parameters as VST 3 lists them: the controls by id, then the program change,
// whose values are the factory presets. A host moves normalised values (0 to 1); a parameter's
// plain value is the control's own (a raw value, our tempo, the ticks per beat) or the preset's
// index. A stepped parameter's normalised range falls into equal parts, one for each plain value.
#pragma once

#include <travesty/edit_controller.h>

#include <array>
#include <cstdint>
#include <vector>

#include "formats/controls.h"

namespace vst3 {

inline constexpr int kProgramId = formats::kControlCount;
inline constexpr int kListedCount = formats::kControlCount + 1;

// The one unit, the root, holds every parameter and the program list.
inline constexpr int32_t kRootUnit = 0;
inline constexpr int32_t kProgramListId = 1;

struct Range {
    double lowest = 0.0, highest = 1.0;
    int32_t steps = 0;  // 0: continuous

    double toPlain(double normalised) const;
    double toNormalised(double plain) const;
};

// Every listed parameter's range, by id.
using Ranges = std::array<Range, kListedCount>;
Ranges parameterRanges(const std::vector<formats::Control>& controls);

// What the host shows of parameter `id`.
v3_param_info parameterInfo(int id, const std::vector<formats::Control>& controls,
                            const Ranges& ranges);

}  // namespace vst3
