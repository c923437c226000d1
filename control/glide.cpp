// The glide and modulation step, run at the start of every 40-sample period: each control
// moves one step toward its target, values derived from a moved control follow, and the
// filter and pan oscillators run.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "control/delay_mode_value.h"
#include "control/glide_rule.h"
#include "control/oscillator.h"
#include "machine/machine.h"

namespace {

// The oscillator period of a rate counted in half-ticks per cycle.
float periodFor(int32_t samplesPerTick, float rate) {
    return static_cast<float>(samplesPerTick * (static_cast<double>(rate) * kTicksPerRateStep));
}

struct PanMix {
    float target, step;
};

// Share of a wet channel on its own side, swinging between the end points a (oscillator +1)
// and b (oscillator -1) around their middle.
PanMix panMixFor(double a, double b, float oscillator, float current) {
    const double distance = std::fabs(a - b);
    const float middle = static_cast<float>(std::min(a, b) + distance * 0.5);
    const float half = static_cast<float>(distance * 0.5);
    const double sign = a > b ? oscillator : -static_cast<double>(oscillator);
    PanMix mix;
    mix.target = static_cast<float>((middle + sign * half) / 100.0);
    mix.step = static_cast<float>((static_cast<double>(mix.target) - current) / kPeriodSamples);
    return mix;
}

}  // namespace

// The filter: while its oscillator runs, a design on every step at the modulated cutoff;
// otherwise one design after the cutoff, the resonance or the type has changed. Returns whether
// it made a design.
bool mi::glideFilter(int32_t rate) {
    if (filterLfoType != 0 && filterType != 0) {
        const float oscillator = readOscillator(
            filterLfoTable,
            oscillatorPosition(filterLfoPhase, filterLfoPhaseCurrent, degreesToLfoIndex));
        // The swing reaches as far above the cutoff as the top cutoff allows, and never
        // further below it than 0 Hz.
        const double cutoff = cutoffCurrent;
        double headroom;
        if (rate >= kReferenceRate)
            headroom = cutoff <= kHeadroomKnee ? cutoff : kNyquistCap - cutoff;
        else
            headroom = cutoff <= 0.25 * rate ? cutoff : 0.5 * rate - cutoff;
        const float reach = static_cast<float>(headroom);
        // Downward swings go half as deep, so up and down sound alike on a log scale.
        const double depth =
            oscillator < 0.0f ? filterLfoDepthCurrent / 200.0 : filterLfoDepthCurrent / 100.0;
        const float swing = static_cast<float>(oscillator * (depth * reach));
        designFilter(static_cast<float>(cutoff + swing), filterType);
        return true;
    }
    if (filterLfoType == 0 && filterType != 0 && filterDirty != 0) {
        designFilter(cutoffCurrent, filterType);
        filterDirty = 0;
        return true;
    }
    return false;
}

// Pan mix targets: from the pan oscillator, stepped per sample by the render; without it,
// straight from the A positions.
void mi::glidePan() {
    if (panLfoType != 0) {
        const float left = readOscillator(
            panLfoTable,
            oscillatorPosition(panLfoPhaseLeft, panLfoPhaseLeftCurrent, degreesToLfoIndex));
        const float right = readOscillator(
            panLfoTable,
            oscillatorPosition(panLfoPhaseRight, panLfoPhaseRightCurrent, degreesToLfoIndex));
        // The left side's positions count from the right.
        const PanMix mixLeft =
            panMixFor(100.0 - panLeftACurrent, 100.0 - panLeftBCurrent, left, panMixLeftCurrent);
        const PanMix mixRight =
            panMixFor(panRightACurrent, panRightBCurrent, right, panMixRightCurrent);
        panMixLeftTarget = mixLeft.target;
        panMixLeftStep = mixLeft.step;
        panMixRightTarget = mixRight.target;
        panMixRightStep = mixRight.step;
    } else {
        panMixLeftCurrent = panMixLeftTarget = static_cast<float>(1.0 - panLeftACurrent / 100.0);
        panMixRightCurrent = panMixRightTarget = static_cast<float>(panRightACurrent / 100.0);
    }
}

// The oscillators run on at every step, whether or not anything reads them.
void mi::advanceOscillators() {
    filterLfoPhase = advanceOscillator(filterLfoPhase, filterLfoPeriod, filterLfoAdvance);
    panLfoPhaseLeft = advanceOscillator(panLfoPhaseLeft, panLfoPeriodLeft, panLfoAdvanceLeft);
    panLfoPhaseRight = advanceOscillator(panLfoPhaseRight, panLfoPeriodRight, panLfoAdvanceRight);
}

void mi::glideStep() {
    if (controlsSettled) {
        advanceOscillators();
        return;
    }
    bool moved = false;
    auto glide = [&moved](float& current, float target, float step) {
        const bool glided = glideToward(current, target, step);
        moved = moved || glided;
        return glided;
    };
    const int32_t rate = masterInfo->sampleRate;
    const int32_t samplesPerTick = masterInfo->samplesPerTick;

    glide(filterLfoPhaseCurrent, filterLfoPhaseTarget, filterLfoPhaseStep);
    if (glide(filterLfoRateCurrent, filterLfoRateTarget, filterLfoRateStep))
        setOscillatorPeriod(filterLfoPeriod, filterLfoAdvance,
                            periodFor(samplesPerTick, filterLfoRateCurrent));
    if (glide(cutoffCurrent, cutoffTarget, cutoffStep)) filterDirty = 1;
    if (glide(resonanceCurrent, resonanceTarget, resonanceStep)) filterDirty = 1;
    glide(filterLfoDepthCurrent, filterLfoDepthTarget, filterLfoDepthStep);
    const bool designed = glideFilter(rate);

    glide(panLfoPhaseLeftCurrent, static_cast<float>(panLfoPhaseLeftTarget), panLfoPhaseLeftStep);
    glide(panLfoPhaseRightCurrent, static_cast<float>(panLfoPhaseRightTarget),
          panLfoPhaseRightStep);
    if (glide(panLfoRateLeftCurrent, panLfoRateLeftTarget, panLfoRateLeftStep))
        setOscillatorPeriod(panLfoPeriodLeft, panLfoAdvanceLeft,
                            periodFor(samplesPerTick, panLfoRateLeftCurrent));
    if (glide(panLfoRateRightCurrent, panLfoRateRightTarget, panLfoRateRightStep))
        setOscillatorPeriod(panLfoPeriodRight, panLfoAdvanceRight,
                            periodFor(samplesPerTick, panLfoRateRightCurrent));
    glide(panLeftACurrent, static_cast<float>(panLeftATarget), panLeftAStep);
    glide(panRightACurrent, static_cast<float>(panRightATarget), panRightAStep);
    glide(panLeftBCurrent, static_cast<float>(panLeftBTarget), panLeftBStep);
    glide(panRightBCurrent, static_cast<float>(panRightBTarget), panRightBStep);
    glidePan();
    advanceOscillators();

    if (glide(modeValueLeftCurrent, static_cast<float>(modeValueLeftTarget), modeValueLeftStep) &&
        delayModeLeft == DelayModeClipping)
        clipGainLeft = clipGainFor(modeValueLeftCurrent);
    if (glide(modeValueRightCurrent, static_cast<float>(modeValueRightTarget),
              modeValueRightStep) &&
        delayModeRight == DelayModeClipping)
        clipGainRight = clipGainFor(modeValueRightCurrent);

    if (glide(resampleCurrent, resampleTarget, resampleStep))
        resampleRatio = static_cast<float>(kReferenceRate / resampleCurrent);

    if (glide(wetLeftCurrent, static_cast<float>(wetLeftTarget), wetLeftStep))
        wetGainLeft = static_cast<float>(wetLeftCurrent * kPercentFactor);
    if (glide(wetRightCurrent, static_cast<float>(wetRightTarget), wetRightStep))
        wetGainRight = static_cast<float>(wetRightCurrent * kPercentFactor);
    if (glide(dryLeftCurrent, static_cast<float>(dryLeftTarget), dryLeftStep))
        dryGainLeft = static_cast<float>(dryLeftCurrent * kPercentFactor);
    if (glide(dryRightCurrent, static_cast<float>(dryRightTarget), dryRightStep))
        dryGainRight = static_cast<float>(dryRightCurrent * kPercentFactor);

    if (glide(feedbackLeftCurrent, static_cast<float>(feedbackLeftTarget), feedbackLeftStep))
        feedbackGainLeft = static_cast<float>(feedbackLeftCurrent / 100.0);
    if (glide(feedbackRightCurrent, static_cast<float>(feedbackRightTarget), feedbackRightStep))
        feedbackGainRight = static_cast<float>(feedbackRightCurrent / 100.0);

    // Nothing moved, no filter design was made (a design may raise the resonance to its
    // least, which the next step glides back toward its target) and no oscillator swings the
    // pan: the steps that follow would find the same.
    controlsSettled = !moved && !designed && panLfoType == 0;
}
