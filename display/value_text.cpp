// The text the host shows beside each parameter's control.
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <span>

#include "control/cutoff_curve.h"
#include "control/delay_mode_value.h"
#include "display/name_lists.h"
#include "machine/machine.h"
#include "machine/parameters.h"
#include "machine/portable_math.h"
#include "platform/float_environment.h"

namespace {

// One buffer for every machine of the library: a text stays valid until the next call on
// any machine. Every write is bounded by its size, whatever value the host passes.
char valueTextBuffer[16];

// Truncation toward zero that stays defined for values no parameter in range produces.
int32_t truncateSaturating(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

__attribute__((format(printf, 1, 2))) const char* print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(valueTextBuffer, sizeof valueTextBuffer, format, args);
    va_end(args);
    return valueTextBuffer;
}

const char* nameText(int index, int32_t value) {
    const std::span<const char* const> names = parameterValueNames(index);
    if (value >= 0 && static_cast<uint32_t>(value) < names.size())
        return print("%s", names[static_cast<uint32_t>(value)]);
    return print("%d", value);
}

const char* delayText(int32_t value) {
    if (value <= kTickValueLimit)
        return print("%.3f Tick", static_cast<double>(value) / kThousandthsPerTick);
    return print("%d Smp", value - kTickValueLimit);
}

const char* gainText(int32_t value) {
    if (value == 0) return print("-inf.dB (%d%%)", 0);
    const float decibels = static_cast<float>(20.0 * portable::log10(value / 100.0));
    return print("%.1fdB(%d%%)", static_cast<double>(decibels), value);
}

// The mode parameter means something only in the modes that shape the signal, so its text
// follows the side's current mode rather than the value alone.
const char* modeParameterText(int32_t mode, int32_t value) {
    const double share = modeParameterShare(value);
    switch (mode) {
        case DelayModeBitcrusher: {  // the bit depth
            const int32_t bits = truncateSaturating(crusherBitsOf(share));
            if (bits == kBitcrusherMaxBits) return print("%d (Orig)", value);
            return print("%d (%d Bit)", value, bits);
        }
        case DelayModeClipping:  // the level on the 16-bit scale
            return print("%d (%d)", value, truncateSaturating(clipLevelOf(share)));
        case DelayModeWaveshaper:
            return print("%d (%%)", value);
        default:
            return print("(notused)");
    }
}

const char* cutoffText(const MasterInfo* master, int32_t value) {
    // A host that asks before handing over its master information sees the reference rate.
    const int32_t rate =
        master != nullptr ? master->sampleRate : static_cast<int32_t>(kReferenceRate);
    return print("%dHz", truncateSaturating(cutoffCurve(value, rate)));
}

// Modes 3 to 5 are the only ones with a mode parameter text; a machine not yet set up holds
// zeroed modes from its creation, so its texts read as for mode 0. Kept out of line, so that
// nothing it works out from its arguments is computed before the environment is set.
[[gnu::noinline]] const char* textFor(const mi& machine, int32_t param, int32_t value) {
    switch (param) {
        case ParamInputMode:
        case ParamModeLeft:
        case ParamModeRight:
        case ParamPanLfoType:
        case ParamFilterType:
        case ParamFilterLfoType:
        case ParamChorusLfoType:
            return nameText(param, value);
        case ParamDelayLeft:
        case ParamDelayRight:
        case ParamOffsetLeft:
        case ParamOffsetRight:
            return delayText(value);
        case ParamFeedbackLeft:
        case ParamFeedbackRight:
        case ParamResonance:
        case ParamFilterLfoDepth:
        case ParamChorusDepth:
            return print("%d%%", value);
        case ParamModeParamLeft:
            return modeParameterText(machine.delayModeLeft, value);
        case ParamModeParamRight:
            return modeParameterText(machine.delayModeRight, value);
        case ParamDryLeft:
        case ParamDryRight:
        case ParamWetLeft:
        case ParamWetRight:
            return gainText(value);
        case ParamPanLeftA:
        case ParamPanLeftB:
        case ParamPanRightA:
        case ParamPanRightB:
            // Widened so that no raw value overflows the subtraction.
            return print("%lld:%d", 100 - static_cast<long long>(value), value);
        case ParamPanLfoRateLeft:
        case ParamPanLfoRateRight:
        case ParamFilterLfoRate:
            return print("%.1f Tick", value * kTicksPerRateStep);
        case ParamPanLfoPhaseLeft:
        case ParamPanLfoPhaseRight:
        case ParamFilterLfoPhase:
            return print("%d\xB0", value);  // the degree sign, one byte in the host's code page
        case ParamCutoff:
            return cutoffText(machine.masterInfo, value);
        case ParamChorusRate:
            return print("%.1fHz", value / 10.0);
        case ParamResample:
            if (value == kReferenceRate) return print("Original");
            return print("%dHz", value);
        case ParamInertia:
            return print("%d Tick", value);
        default:
            return nullptr;
    }
}

}  // namespace

// The C library's formatting rounds as the environment says, so the texts too are made with
// round to nearest, whatever the host left set.
const char* HOST_CALL mi::ValueText(int32_t param, int32_t value) {
    const FloatEnvironment environment(FloatEnvironment::kKeepSubnormals);
    return textFor(*this, param, value);
}
