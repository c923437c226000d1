// The machine object: the host-facing header followed by every field of the machine's state.
// Every part of the machine reads and writes these fields directly.
#pragma once

#include <cstdint>

#include "host/machine_interface.h"
#include "machine/constants.h"
#include "machine/global_values.h"

class miex final : public CMDKMachineInterfaceEx {};

struct ChunkControls;
struct FilterStretch;

class mi final : public CMDKMachineInterface {
  public:
    // Host operations.
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

    // Set-up.
    void setUp();
    void fillLookupTables();

    // Parameter control.
    int32_t lineLengthFor(int32_t value) const;
    float glideStepFor(float target, float current) const;
    float cutoffFor(int32_t value) const;
    const float* lfoTableFor(int32_t type, const float* present) const;
    const float* chorusLfoTableFor(int32_t type, const float* present) const;
    void selectPanLfo(int32_t type);
    void selectFilterLfo(int32_t type);
    void receiveModeParam(int32_t param, int32_t mode, int32_t& target, float current, float& step);
    void designFilter(float cutoffHz, int32_t type);
    void glideStep();
    void glideFilter(int32_t rate);
    void glidePan();

    // Audio engine.
    void renderBlock(float* samples, int32_t count, bool inputPresent);
    void recordChunk(ChunkControls& controls, int32_t& recorded, int32_t begin, int32_t end,
                     float* sharesLeft, float* sharesRight);
    void runStages(float* samples, const ChunkControls* chunks, int32_t count, bool inputPresent,
                   const float* sharesLeft, const float* sharesRight);
    void conditionInput(float* samples, int32_t begin, int32_t end);
    void runDelayLines(const float* samples, int32_t begin, int32_t end, bool inputPresent,
                       bool inputFinite);
    void runChorus(int32_t begin, int32_t end);
    void widenChorusTable();
    void runFilter(int32_t begin, int32_t end);
    void runFilterStretches(const FilterStretch* stretches, int32_t count);
    void runSampleAndHold(int32_t begin, int32_t end);
    void glideShares(float* sharesLeft, float* sharesRight, int32_t begin, int32_t end);
    void mixOutput(float* samples, int32_t begin, int32_t end, bool inputPresent, bool inputFinite,
                   const float* sharesLeft, const float* sharesRight);

    // Rest of the host-facing header.
    miex extension;
    int32_t sdkMarker;

    // Lookup tables, filled at set-up and only read afterwards.
    float sineTable[kSineTableSize];
    float lfoSine[kLfoTableSize];
    float lfoTriangle[kLfoTableSize];
    float lfoSquare[kLfoTableSize];
    float lfoRandom[kLfoTableSize];
    float lfoDoubleSaw[kLfoTableSize];
    float degreesToLfoIndex;

    const float* filterLfoTable;
    const float* panLfoTable;
    const float* chorusLfoTable;

    GlobalValues globalValueRecord;

    // Audio buffers: delayBufferA holds the two loops, delayBufferB the two offset lines,
    // each delayBufferFrames interleaved stereo frames.
    float* delayBufferA;
    float* delayBufferB;
    float* chorusBufferLeft;
    float* chorusBufferRight;
    int32_t delayBufferFrames;

    // Line lengths and positions in fixed point (samples x 1024).
    int32_t delayPosLeft, delayPosRight;
    int32_t offsetPosLeft, offsetPosRight;
    int32_t delayLengthLeft, delayLengthRight;
    int32_t offsetLengthLeft, offsetLengthRight;

    // Parameters used as received.
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

    // Glided controls: target, current value and step.
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

    // Values derived from the glided controls.
    float feedbackGainLeft, feedbackGainRight;
    float dryGainLeft, dryGainRight;
    float wetGainLeft, wetGainRight;
    float panLfoPeriodLeft, panLfoPeriodRight;
    float filterLfoPeriod;
    float clipGainLeft, clipGainRight;
    float resampleRatio;

    // Pan mix: share of each wet channel that stays on its own side.
    float panMixLeftCurrent, panMixRightCurrent;
    float panMixLeftTarget, panMixRightTarget;
    float panMixLeftStep, panMixRightStep;

    // Oscillator table positions, 0 <= p < 256.
    float filterLfoPhase;
    float panLfoPhaseLeft, panLfoPhaseRight;
    float chorusLfoPhase;
    // Positions per period of each oscillator, with the period they were worked out for.
    float filterLfoAdvancePeriod, panLfoAdvancePeriodLeft, panLfoAdvancePeriodRight;
    double filterLfoAdvance, panLfoAdvanceLeft, panLfoAdvanceRight;

    // Filter: coefficients b0, b1, b2, fb1, fb2 and history x1, x2, y1, y2.
    float filterCoefLeft[5], filterCoefRight[5];
    float filterStateLeft[4], filterStateRight[4];
    uint8_t filterDirty;

    // Render schedule on the 40-sample grid.
    int32_t blockTailSamples;
    int32_t periodCarry;
    int32_t periodCarryPending;
    int32_t chunkStart;
    int32_t periodOpen;
    int32_t periodRemaining;
    int32_t chunkEnd;

    // Chorus and sample-and-hold state.
    int32_t chorusWriteIndex;
    float chorusReadPos;
    // The chorus oscillator's table in double precision with each entry's rise to the next,
    // and the table they were worked out from.
    double chorusLfoLevel[kLfoTableSize], chorusLfoRise[kLfoTableSize];
    const float* chorusLfoWidened;
    float resampleCounter;
    float resampleHeldLeft, resampleHeldRight;

    // The processor runs the loops' wide form (256-bit vectors, fused multiply-add).
    bool wideVectors;

    // Wet scratch, indexed by the frame's position in the block.
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
