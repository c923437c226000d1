// Set-up: buffers, the start value of every field, and the lookup tables.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>

#include "machine/machine.h"
#include "machine/oscillator_advance.h"
#include "machine/parameters.h"
#include "platform/processor.h"

namespace {
// Line positions are fixed point with 10 fraction bits in 32 bits, so no line may be longer
// than this many frames, whatever sample rate a host reports.
constexpr int64_t kMaxDelayFrames = INT32_MAX / kFixedOne;

float* allocateZeroed(int64_t count) {
    if (count <= 0 || static_cast<uint64_t>(count) > SIZE_MAX / sizeof(float)) return nullptr;
    return new (std::nothrow) float[static_cast<size_t>(count)]();
}
}  // namespace

// The four buffers, given back; a machine without them renders nothing.
void mi::releaseBuffers() {
    for (float** buffer : {&delayBufferA, &delayBufferB, &chorusBufferLeft, &chorusBufferRight}) {
        delete[] * buffer;
        *buffer = nullptr;
    }
}

// A second set-up of the same machine starts it afresh, with new buffers in place of the old.
void mi::setUp() {
    releaseBuffers();
    const int32_t rate = masterInfo->sampleRate;
    const int32_t samplesPerTick = masterInfo->samplesPerTick;

    // Four seconds of audio, but never an empty buffer: a rate of 0 would leave the render
    // indexing nothing.
    delayBufferFrames = static_cast<int32_t>(
        std::clamp<int64_t>(int64_t{kDelaySeconds} * rate, 1, kMaxDelayFrames));

    delayBufferA = allocateZeroed(2 * int64_t{delayBufferFrames});
    delayBufferB = allocateZeroed(2 * int64_t{delayBufferFrames});
    chorusBufferLeft = allocateZeroed(kChorusBufferFloats);
    chorusBufferRight = allocateZeroed(kChorusBufferFloats);
    // The render stays silent on a machine whose buffers could not be had.
    if (!delayBufferA || !delayBufferB || !chorusBufferLeft || !chorusBufferRight) releaseBuffers();
    std::fill(std::begin(wetLeft), std::end(wetLeft), 0.0f);
    std::fill(std::begin(wetRight), std::end(wetRight), 0.0f);

    inputMode = 0;
    filterType = 0;
    filterLfoType = 0;
    panLfoType = 0;
    chorusDepth = 50;
    chorusLfoType = 0;
    chorusRate = 50;
    modeParamLeft = modeParamRight = 1;
    delayModeLeft = delayModeRight = 0;
    inertia = 1;

    filterLfoTable = panLfoTable = chorusLfoTable = nullptr;

    feedbackLeftTarget = feedbackRightTarget = 50;
    feedbackLeftCurrent = feedbackRightCurrent = 50.0f;
    feedbackLeftStep = feedbackRightStep = 0.0f;
    feedbackGainLeft = feedbackGainRight = 0.5f;
    dryLeftTarget = dryRightTarget = 100;
    dryLeftCurrent = dryRightCurrent = 100.0f;
    dryLeftStep = dryRightStep = 0.0f;
    dryGainLeft = dryGainRight = 1.0f;
    wetLeftTarget = wetRightTarget = 100;
    wetLeftCurrent = wetRightCurrent = 100.0f;
    wetLeftStep = wetRightStep = 0.0f;
    wetGainLeft = wetGainRight = 1.0f;

    panLeftATarget = 0;
    panRightATarget = 100;
    panLeftBTarget = 100;
    panRightBTarget = 0;
    panLeftACurrent = 0.0f;
    panRightACurrent = 100.0f;
    panLeftBCurrent = 100.0f;
    panRightBCurrent = 0.0f;
    panLeftAStep = panRightAStep = panLeftBStep = panRightBStep = 0.0f;

    panLfoRateLeftTarget = panLfoRateRightTarget = 32.0f;
    panLfoRateLeftCurrent = panLfoRateRightCurrent = 32.0f;
    panLfoRateLeftStep = panLfoRateRightStep = 0.0f;
    panLfoPhaseLeftTarget = panLfoPhaseRightTarget = 0;
    panLfoPhaseLeftCurrent = panLfoPhaseRightCurrent = 0.0f;
    panLfoPhaseLeftStep = panLfoPhaseRightStep = 0.0f;

    filterLfoRateTarget = filterLfoRateCurrent = 32.0f;
    filterLfoRateStep = 0.0f;  // only read after a tick has set it with a new target
    filterLfoPhaseTarget = filterLfoPhaseCurrent = filterLfoPhaseStep = 0.0f;
    filterLfoDepthTarget = filterLfoDepthCurrent = 50.0f;
    filterLfoDepthStep = 0.0f;

    // The cutoff curve at its default reaches its cap: half the rate, never above 22050 Hz.
    cutoffTarget = cutoffCurrent = cutoffFor(kParameters[ParamCutoff].defaultValue);
    cutoffStep = 0.0f;
    resonanceTarget = resonanceCurrent = resonanceStep = 0.0f;

    modeValueLeftTarget = modeValueRightTarget = 1;
    modeValueLeftCurrent = modeValueRightCurrent = 1.0f;
    modeValueLeftStep = modeValueRightStep = 0.0f;
    clipGainLeft = clipGainRight = 2.0f;

    resampleTarget = resampleCurrent = static_cast<float>(kReferenceRate);
    resampleStep = 0.0f;
    resampleRatio = 1.0f;

    const float startPeriod = static_cast<float>(16.0 * samplesPerTick);
    setOscillatorPeriod(filterLfoPeriod, filterLfoAdvance, startPeriod);
    setOscillatorPeriod(panLfoPeriodLeft, panLfoAdvanceLeft, startPeriod);
    setOscillatorPeriod(panLfoPeriodRight, panLfoAdvanceRight, startPeriod);

    panMixLeftCurrent = panMixLeftTarget = 0.0f;
    panMixRightCurrent = panMixRightTarget = 1.0f;
    panMixLeftStep = panMixRightStep = 0.0f;

    filterLfoPhase = panLfoPhaseLeft = panLfoPhaseRight = chorusLfoPhase = 0.0f;

    std::fill(std::begin(filterStateLeft), std::end(filterStateLeft), 0.0f);
    std::fill(std::begin(filterStateRight), std::end(filterStateRight), 0.0f);
    // Until a filter type arrives the coefficients pass the signal unchanged.
    const float passThrough[5] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    std::copy(std::begin(passThrough), std::end(passThrough), filterCoefLeft);
    std::copy(std::begin(passThrough), std::end(passThrough), filterCoefRight);
    filterDirty = 0;

    // The lengths the table defaults give, so nothing depends on the first tick.
    delayLengthLeft = delayLengthRight = lineLengthFor(kParameters[ParamDelayLeft].defaultValue);
    offsetLengthLeft = offsetLengthRight = lineLengthFor(kParameters[ParamOffsetLeft].defaultValue);

    periodOpen = 0;  // so the first render begins with a glide step
    periodRemaining = kPeriodSamples;
    controlsSettled = false;

    chorusWriteIndex = 0;
    resampleCounter = 0.0f;
    resampleHeldLeft = resampleHeldRight = 0.0f;

    wideVectors = platform::hasWideVectors();
    degreesToLfoIndex = static_cast<float>(kLfoCycle / kDegreesPerCycle);
    fillLookupTables();
}
