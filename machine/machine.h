// The machine object: the host-facing header followed by every field of the machine's state.
// Every part of the machine reads and writes these fields directly.
#pragma once

#include <cstdint>

#include "host/machine_interface.h"
#include "machine/constants.h"
#include "machine/global_values.h"

class miex final : public CMDKMachineInterfaceEx {};

// The machine: the host-facing header, then the state, field group by field group, each
// group headed by the part that writes it. The render's stages (dsp/) and the parameter
// control (control/) read and write these fields directly.
class mi final : public CMDKMachineInterface {
  public:
    // Host operations (machine/exports.cpp, control/parameter_intake.cpp, dsp/render.cpp,
    // display/value_text.cpp).
    void* HOST_CALL Destroy(uint32_t deleteFlag) override;
    void HOST_CALL ProcessTick() override;
    void HOST_CALL RunCommand(int32_t command) override;
    const char* HOST_CALL ValueText(int32_t param, int32_t value) override;
    CMachineInterfaceEx* HOST_CALL ExtensionObject() override { return &extension; }
    void HOST_CALL Unused21(int32_t) override {}
    bool HOST_CALL RenderMono(float*, int32_t, int32_t) override { return false; }
    bool HOST_CALL RenderStereo(float* samples, int32_t count, int32_t workMode) override;
    void HOST_CALL SetUp(DataInput* data) override;
    void HOST_CALL WriteState(DataOutput* output) override;

    // Set-up (machine/setup.cpp, machine/lookup_tables.cpp).
    void setUp();
    void releaseBuffers();
    void fillLookupTables();

    // Parameter control (control/): the tick's conversions and choices, the glide step and
    // the filter design.
    int32_t lineLengthFor(int32_t value) const;
    float glideStepFor(float target, float current) const;
    float cutoffFor(int32_t value) const;
    const float* lfoTableFor(int32_t type, const float* present) const;
    const float* chorusLfoTableFor(int32_t type, const float* present) const;
    void selectPanLfo(int32_t type);
    void selectFilterLfo(int32_t type);
    void selectChorusLfo(int32_t type);
    void receiveModeParam(int32_t param, int32_t mode, int32_t& target, float current, float& step);
    void designFilter(float cutoffHz, int32_t type);
    void glideStep();
    void advanceOscillators();
    bool glideFilter(int32_t rate);
    void glidePan();

    // Rest of the host-facing header.
    miex extension;
    int32_t sdkMarker;

    // Set-up: lookup tables, filled once and only read afterwards, and the record the host
    // writes before every tick.
    float sineTable[kSineTableSize];
    float lfoSine[kLfoTableSize];
    float lfoTriangle[kLfoTableSize];
    float lfoSquare[kLfoTableSize];
    float lfoRandom[kLfoTableSize];
    float lfoDoubleSaw[kLfoTableSize];
    float degreesToLfoIndex;
    GlobalValues globalValueRecord;
    // The processor runs the loops' wide form (256-bit vectors, fused multiply-add).
    bool wideVectors;

    // Set-up: audio buffers. delayBufferA holds the two loops, delayBufferB the two offset
    // lines, each delayBufferFrames interleaved stereo frames; the chorus rings.
    float* delayBufferA;
    float* delayBufferB;
    float* chorusBufferLeft;
    float* chorusBufferRight;
    int32_t delayBufferFrames;

    // Tick: parameters used as received, and the oscillators' tables.
    uint8_t inputMode;
    int32_t filterType;
    int32_t filterLfoType;
    int32_t panLfoType;
    int32_t chorusDepth;
    int32_t chorusLfoType;
    int32_t chorusRate;
    int32_t modeParamLeft, modeParamRight;
    int32_t delayModeLeft, delayModeRight;
    int32_t inertia;
    const float* filterLfoTable;
    const float* panLfoTable;
    const float* chorusLfoTable;
    // A cache the tick fills when it selects a chorus shape: the chorus table in double
    // precision with each entry's rise to the next, so that the chorus, which reads it at
    // every frame, does not widen it at every block.
    double chorusLfoLevel[kLfoTableSize], chorusLfoRise[kLfoTableSize];

    // Tick: line lengths in fixed point (samples x 1024). The delay lines move the positions,
    // which the tick resets with each new length.
    int32_t delayLengthLeft, delayLengthRight;
    int32_t offsetLengthLeft, offsetLengthRight;
    int32_t delayPosLeft, delayPosRight;
    int32_t offsetPosLeft, offsetPosRight;

    // Tick and glide step: glided controls, target, current value and step. The tick sets
    // targets and steps, the glide step moves the current values.
    int32_t feedbackLeftTarget, feedbackRightTarget;
    float feedbackLeftCurrent, feedbackRightCurrent;
    float feedbackLeftStep, feedbackRightStep;
    int32_t dryLeftTarget, dryRightTarget;
    float dryLeftCurrent, dryRightCurrent;
    float dryLeftStep, dryRightStep;
    int32_t wetLeftTarget, wetRightTarget;
    float wetLeftCurrent, wetRightCurrent;
    float wetLeftStep, wetRightStep;
    int32_t panLeftATarget, panRightATarget, panLeftBTarget, panRightBTarget;
    float panLeftACurrent, panRightACurrent, panLeftBCurrent, panRightBCurrent;
    float panLeftAStep, panRightAStep, panLeftBStep, panRightBStep;
    float panLfoRateLeftTarget, panLfoRateRightTarget;
    float panLfoRateLeftCurrent, panLfoRateRightCurrent;
    float panLfoRateLeftStep, panLfoRateRightStep;
    int32_t panLfoPhaseLeftTarget, panLfoPhaseRightTarget;
    float panLfoPhaseLeftCurrent, panLfoPhaseRightCurrent;
    float panLfoPhaseLeftStep, panLfoPhaseRightStep;
    float filterLfoRateTarget, filterLfoRateCurrent, filterLfoRateStep;
    float filterLfoPhaseTarget, filterLfoPhaseCurrent, filterLfoPhaseStep;
    float filterLfoDepthTarget, filterLfoDepthCurrent, filterLfoDepthStep;
    float cutoffTarget, cutoffCurrent, cutoffStep;
    float resonanceTarget, resonanceCurrent, resonanceStep;
    int32_t modeValueLeftTarget, modeValueRightTarget;
    float modeValueLeftCurrent, modeValueRightCurrent;
    float modeValueLeftStep, modeValueRightStep;
    float resampleTarget, resampleCurrent, resampleStep;

    // Glide step: values derived from the glided controls, which the render's stages read.
    float feedbackGainLeft, feedbackGainRight;
    float dryGainLeft, dryGainRight;
    float wetGainLeft, wetGainRight;
    float panLfoPeriodLeft, panLfoPeriodRight;
    float filterLfoPeriod;
    // Cache: the table positions each oscillator advances per period, worked out wherever its
    // period is set, so that the glide step does not divide for them every 40 samples.
    double filterLfoAdvance, panLfoAdvanceLeft, panLfoAdvanceRight;
    // Cache: set by a glide step that moved no control, made no filter design and found the pan
    // oscillator off, after which a glide step changes nothing but the oscillators' positions
    // until the next tick, which clears it.
    bool controlsSettled;
    float clipGainLeft, clipGainRight;
    float resampleRatio;

    // Glide step and output mix: the share of each wet channel that stays on its own side.
    // The glide step sets targets and per-sample steps, the mix moves the shares toward them
    // while the pan oscillator runs.
    float panMixLeftCurrent, panMixRightCurrent;
    float panMixLeftTarget, panMixRightTarget;
    float panMixLeftStep, panMixRightStep;

    // Oscillator table positions, 0 <= p < 256: the glide step moves the filter's and the
    // pan's, the chorus stage the chorus's; the tick restarts them.
    float filterLfoPhase;
    float panLfoPhaseLeft, panLfoPhaseRight;
    float chorusLfoPhase;

    // Filter design: coefficients b0, b1, b2, fb1, fb2; filter stage: history x1, x2, y1, y2.
    float filterCoefLeft[5], filterCoefRight[5];
    float filterStateLeft[4], filterStateRight[4];
    uint8_t filterDirty;  // set by the tick and the glide step, cleared by the design

    // Render: the period grid. periodOpen is 1 when the current period's glide step has run
    // and periodRemaining of its samples are still to come; 0 when the next frame begins a
    // period (periodRemaining then stands at 40).
    int32_t periodOpen;
    int32_t periodRemaining;

    // Chorus stage: the ring's next slot to write.
    int32_t chorusWriteIndex;

    // Sample-and-hold stage.
    float resampleCounter;
    float resampleHeldLeft, resampleHeldRight;

    // Render: wet scratch, indexed by the frame's position in the block.
    float wetLeft[kMaxBlockFrames];
    float wetRight[kMaxBlockFrames];
};

// The 32-bit host sees each header field as one word after the type pointer.
#if defined(__i386__) || defined(_M_IX86)
#include <cstddef>
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(mi, globalValues) == 4);
static_assert(offsetof(mi, trackValues) == 8);
static_assert(offsetof(mi, attributeValues) == 12);
static_assert(offsetof(mi, masterInfo) == 16);
static_assert(offsetof(mi, hostCallbacks) == 20);
static_assert(offsetof(mi, mdkHelper) == 24);
static_assert(offsetof(mi, extension) == 28);
static_assert(offsetof(mi, extension) + offsetof(miex, helper) == 32);
static_assert(offsetof(mi, sdkMarker) == 36);
static_assert(sizeof(miex) == 8);
#pragma GCC diagnostic pop
#endif
