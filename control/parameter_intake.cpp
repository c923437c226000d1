// The tick: every new parameter value becomes a target with its glide step, a line length,
// a mode or an oscillator choice.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "control/cutoff_curve.h"
#include "control/delay_mode_value.h"
#include "machine/machine.h"
#include "machine/parameters.h"
#include "platform/float_environment.h"

namespace {

// Whether a field carries a new value, and that value brought into its parameter's range: a
// damaged song can hold anything, and the value may index tables and name lists.
bool arrived(ParameterIndex index, uint8_t raw, int32_t& value) {
    if (raw == kNoByteValue) return false;
    value = std::clamp<int32_t>(raw, kParameters[index].minValue, kParameters[index].maxValue);
    return true;
}

bool arrived(ParameterIndex index, uint16_t raw, int32_t& value) {
    if (raw == kNoWordValue) return false;
    value = std::clamp<int32_t>(raw, kParameters[index].minValue, kParameters[index].maxValue);
    return true;
}

// A new delay mode snaps its mode value into place instead of gliding: the loop changes
// character at once. Modes without a value keep the old target.
void receiveDelayMode(int32_t mode, int32_t param, int32_t& target, float& current,
                      float& clipGain) {
    if (hasModeValue(mode)) target = modeValueFor(mode, param);
    current = static_cast<float>(target);
    if (mode == DelayModeClipping) clipGain = clipGainFor(current);
}

}  // namespace

// The step that covers the distance to the target in `inertia` ticks, one step per period.
// A host that reports no tick length gets the glide of inertia 0: the target at the next step.
float mi::glideStepFor(float target, float current) const {
    const double distance = static_cast<double>(target) - current;
    const int32_t samplesPerTick = masterInfo->samplesPerTick;
    if (inertia == 0 || samplesPerTick <= 0) return std::fabs(static_cast<float>(distance));
    const float perSample =
        static_cast<float>(distance / (static_cast<double>(samplesPerTick) * inertia));
    return std::fabs(static_cast<float>(static_cast<double>(perSample) * kPeriodSamples));
}

// The cutoff curve held in single precision as the target stores it.
float mi::cutoffFor(int32_t value) const {
    return static_cast<float>(cutoffCurve(value, masterInfo->sampleRate));
}

// The mode value follows a new parameter only in the modes that have one, gliding there.
void mi::receiveModeParam(int32_t param, int32_t mode, int32_t& target, float current,
                          float& step) {
    if (!hasModeValue(mode)) return;
    target = modeValueFor(mode, param);
    step = glideStepFor(static_cast<float>(target), current);
}

// The handlers run in a fixed order that is not the table order: a later handler sees what
// an earlier one wrote. So a new inertia reaches only the feedback, cutoff and resonance of
// its own tick, a mode parameter is evaluated in the mode from before a mode change, and the
// oscillator shapes see the rates, cutoff and filter type from before this tick.
void HOST_CALL mi::ProcessTick() {
    const FloatEnvironment environment(FloatEnvironment::kKeepSubnormals);
    controlsSettled = false;  // whatever this tick brings, the next glide step looks at it all
    const GlobalValues& g = globalValueRecord;
    int32_t v;
    // Integer or float target alike: store the value, then the step toward it.
    auto retarget = [this](auto& target, float current, float& step, int32_t value) {
        target = value;
        step = glideStepFor(static_cast<float>(target), current);
    };

    if (arrived(ParamPanLfoType, g.panLfoType, v)) selectPanLfo(v);
    if (arrived(ParamFilterLfoType, g.filterLfoType, v)) selectFilterLfo(v);
    if (arrived(ParamFilterLfoRate, g.filterLfoRate, v))
        retarget(filterLfoRateTarget, filterLfoRateCurrent, filterLfoRateStep, v);
    if (arrived(ParamPanLfoRateLeft, g.panLfoRateLeft, v))
        retarget(panLfoRateLeftTarget, panLfoRateLeftCurrent, panLfoRateLeftStep, v);
    if (arrived(ParamPanLfoRateRight, g.panLfoRateRight, v))
        retarget(panLfoRateRightTarget, panLfoRateRightCurrent, panLfoRateRightStep, v);
    if (arrived(ParamModeParamLeft, g.modeParamLeft, v)) {
        modeParamLeft = v;
        receiveModeParam(v, delayModeLeft, modeValueLeftTarget, modeValueLeftCurrent,
                         modeValueLeftStep);
    }
    if (arrived(ParamModeParamRight, g.modeParamRight, v)) {
        modeParamRight = v;
        receiveModeParam(v, delayModeRight, modeValueRightTarget, modeValueRightCurrent,
                         modeValueRightStep);
    }
    if (arrived(ParamResample, g.resample, v))
        retarget(resampleTarget, resampleCurrent, resampleStep, v);
    if (arrived(ParamPanLeftA, g.panLeftA, v))
        retarget(panLeftATarget, panLeftACurrent, panLeftAStep, v);
    if (arrived(ParamPanRightA, g.panRightA, v))
        retarget(panRightATarget, panRightACurrent, panRightAStep, v);
    if (arrived(ParamPanLeftB, g.panLeftB, v))
        retarget(panLeftBTarget, panLeftBCurrent, panLeftBStep, v);
    if (arrived(ParamPanRightB, g.panRightB, v))
        retarget(panRightBTarget, panRightBCurrent, panRightBStep, v);
    if (arrived(ParamPanLfoPhaseLeft, g.panLfoPhaseLeft, v))
        retarget(panLfoPhaseLeftTarget, panLfoPhaseLeftCurrent, panLfoPhaseLeftStep, v);
    if (arrived(ParamPanLfoPhaseRight, g.panLfoPhaseRight, v))
        retarget(panLfoPhaseRightTarget, panLfoPhaseRightCurrent, panLfoPhaseRightStep, v);
    if (arrived(ParamFilterLfoPhase, g.filterLfoPhase, v))
        retarget(filterLfoPhaseTarget, filterLfoPhaseCurrent, filterLfoPhaseStep, v);
    if (arrived(ParamDryLeft, g.dryLeft, v))
        retarget(dryLeftTarget, dryLeftCurrent, dryLeftStep, v);
    if (arrived(ParamDryRight, g.dryRight, v))
        retarget(dryRightTarget, dryRightCurrent, dryRightStep, v);
    if (arrived(ParamWetLeft, g.wetLeft, v))
        retarget(wetLeftTarget, wetLeftCurrent, wetLeftStep, v);
    if (arrived(ParamWetRight, g.wetRight, v))
        retarget(wetRightTarget, wetRightCurrent, wetRightStep, v);
    if (arrived(ParamFilterLfoDepth, g.filterLfoDepth, v))
        retarget(filterLfoDepthTarget, filterLfoDepthCurrent, filterLfoDepthStep, v);
    if (arrived(ParamInertia, g.inertia, v)) inertia = v;
    if (arrived(ParamModeLeft, g.modeLeft, v)) {
        delayModeLeft = v;
        receiveDelayMode(v, modeParamLeft, modeValueLeftTarget, modeValueLeftCurrent, clipGainLeft);
    }
    if (arrived(ParamModeRight, g.modeRight, v)) {
        delayModeRight = v;
        receiveDelayMode(v, modeParamRight, modeValueRightTarget, modeValueRightCurrent,
                         clipGainRight);
    }
    if (arrived(ParamInputMode, g.inputMode, v)) inputMode = static_cast<uint8_t>(v);
    // A new length restarts its line from the beginning.
    auto restartLine = [this](int32_t& length, int32_t& position, int32_t value) {
        length = lineLengthFor(value);
        position = 0;
    };
    if (arrived(ParamDelayLeft, g.delayLeft, v)) restartLine(delayLengthLeft, delayPosLeft, v);
    if (arrived(ParamDelayRight, g.delayRight, v)) restartLine(delayLengthRight, delayPosRight, v);
    if (arrived(ParamOffsetLeft, g.offsetLeft, v)) restartLine(offsetLengthLeft, offsetPosLeft, v);
    if (arrived(ParamOffsetRight, g.offsetRight, v))
        restartLine(offsetLengthRight, offsetPosRight, v);
    if (arrived(ParamChorusLfoType, g.chorusLfoType, v)) selectChorusLfo(v);
    if (arrived(ParamChorusRate, g.chorusRate, v)) chorusRate = v;
    if (arrived(ParamChorusDepth, g.chorusDepth, v)) chorusDepth = v;
    if (arrived(ParamFeedbackLeft, g.feedbackLeft, v))
        retarget(feedbackLeftTarget, feedbackLeftCurrent, feedbackLeftStep, v);
    if (arrived(ParamFeedbackRight, g.feedbackRight, v))
        retarget(feedbackRightTarget, feedbackRightCurrent, feedbackRightStep, v);
    if (arrived(ParamFilterType, g.filterType, v)) {
        filterType = v;
        filterDirty = 1;
    }
    if (arrived(ParamCutoff, g.cutoff, v)) {
        cutoffTarget = cutoffFor(v);
        cutoffStep = glideStepFor(cutoffTarget, cutoffCurrent);
    }
    if (arrived(ParamResonance, g.resonance, v))
        retarget(resonanceTarget, resonanceCurrent, resonanceStep, v);
}
