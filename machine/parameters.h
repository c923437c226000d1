// Parameter indices and the static description the host reads through GetInfo.
#pragma once

#include "host/descriptors.h"

enum ParameterIndex : int {
    ParamInputMode,
    ParamDelayLeft,
    ParamDelayRight,
    ParamOffsetLeft,
    ParamOffsetRight,
    ParamFeedbackLeft,
    ParamFeedbackRight,
    ParamModeLeft,
    ParamModeRight,
    ParamModeParamLeft,
    ParamModeParamRight,
    ParamDryLeft,
    ParamDryRight,
    ParamWetLeft,
    ParamWetRight,
    ParamPanLeftA,
    ParamPanLeftB,
    ParamPanRightA,
    ParamPanRightB,
    ParamPanLfoRateLeft,
    ParamPanLfoRateRight,
    ParamPanLfoPhaseLeft,
    ParamPanLfoPhaseRight,
    ParamPanLfoType,
    ParamFilterType,
    ParamCutoff,
    ParamResonance,
    ParamFilterLfoType,
    ParamFilterLfoDepth,
    ParamFilterLfoRate,
    ParamFilterLfoPhase,
    ParamChorusLfoType,
    ParamChorusRate,
    ParamChorusDepth,
    ParamResample,
    ParamInertia,
    kParameterCount
};

extern const ParameterDescriptor kParameters[kParameterCount];
extern const MachineDescription kMachineDescription;

// Byte offset of each parameter's field in the GlobalValues record.
int globalValuesOffset(int index);
