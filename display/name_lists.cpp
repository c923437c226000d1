#include "display/name_lists.h"

#include "machine/parameters.h"

namespace {
constexpr const char* kInputModes[] = {"Stereo", "Mono", "InvertedL/R", "Inverted L", "Inverted R"};
constexpr const char* kDelayModes[] = {"Normal",   "Inverted",   "Reverse",
                                       "Clipping", "Waveshaper", "Bitcrusher"};
constexpr const char* kLfoShapes[] = {"No LFO", "Sine", "Square", "Tri", "2-Saw", "Random"};
// The chorus reads the triangle table for value 2, so that is what its text says.
constexpr const char* kChorusLfoShapes[] = {"No LFO", "Sine", "Tri", "Random"};
constexpr const char* kFilterTypes[] = {"No Filter", "LP", "HP", "BP", "BR", "LP/HP", "BP/BR"};
}  // namespace

std::span<const char* const> parameterValueNames(int index) {
    switch (index) {
        case ParamInputMode:
            return kInputModes;
        case ParamModeLeft:
        case ParamModeRight:
            return kDelayModes;
        case ParamPanLfoType:
        case ParamFilterLfoType:
            return kLfoShapes;
        case ParamFilterType:
            return kFilterTypes;
        case ParamChorusLfoType:
            return kChorusLfoShapes;
        default:
            return {};
    }
}
