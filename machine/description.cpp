#include <array>

#include "machine/global_values.h"
#include "machine/parameters.h"

namespace {
constexpr int32_t kFlags = 2;

constexpr ParameterDescriptor byteParam(const char* name, const char* description, int32_t min,
                                        int32_t max, int32_t def) {
    return {ParameterByte, name, description, min, max, kNoByteValue, kFlags, def};
}
constexpr ParameterDescriptor wordParam(const char* name, const char* description, int32_t min,
                                        int32_t max, int32_t def) {
    return {ParameterWord, name, description, min, max, kNoWordValue, kFlags, def};
}
}  // namespace

// Four descriptions begin with a space; the host shows them as they are.
const ParameterDescriptor kParameters[kParameterCount] = {
    byteParam("Input Mode", "Input Mode", 0, 4, 0),
    wordParam("DLY DelayL", "DelayLeft", 1, 65534, 4000),
    wordParam("DLY DelayR", "DelayRight", 1, 65534, 4000),
    wordParam("DLY OffsetL", "DelayOffsetL", 0, 65534, 0),
    wordParam("DLY OffsetR", "DelayOffsetR", 0, 65534, 0),
    byteParam("DLY FbackL", "DLY Feedback Left", 0, 100, 50),
    byteParam("DLY FbackR", "DLY Feedback Right", 0, 100, 50),
    byteParam("DLY ModeL", "DLY Mode L", 0, 5, 0),
    byteParam("DLY ModeR", "DLY Mode R", 0, 5, 0),
    byteParam("DLY MParaL", "DLY ModeParaL", 1, 100, 1),
    byteParam("DLY MParaR", "DLY ModeParaR", 1, 100, 1),
    wordParam("AMP DryoutL", "DryoutLeft", 0, 400, 100),
    wordParam("AMP DryoutR", "DryoutRight", 0, 400, 100),
    wordParam("AMP WetoutL", "WetoutLeft", 0, 400, 100),
    wordParam("AMP WetoutR", "WetoutRight", 0, 400, 100),
    byteParam("PAN PosL A", "Pan Position L A", 0, 100, 0),
    byteParam("PAN PosL B", "Pan Position Left B", 0, 100, 100),
    byteParam("PAN PosR A", "Pan Position R A", 0, 100, 100),
    byteParam("PAN PosR B", "Pan Position R B", 0, 100, 0),
    wordParam("PAN LFORateL", " PAN LFO Rate L", 1, 256, 32),
    wordParam("PAN LFORateR", " PAN LFO Rate R", 1, 256, 32),
    wordParam("PAN LFOPhaL", "PAN LFOPhaseL", 0, 360, 0),
    wordParam("PAN LFOPhaR", "PAN LFOPhaseR", 0, 360, 0),
    byteParam("PAN LFOType", " PAN LFOType", 0, 5, 0),
    byteParam("FLT Type", "FLT Type", 0, 6, 0),
    wordParam("FLT Cutoff", "FLT Cutoff", 0, 65000, 65000),
    byteParam("FLT Res", "FLT Resonance", 0, 100, 0),
    byteParam("FLT LFOType", " FLT LFOType", 0, 5, 0),
    byteParam("FLT LFODepth", "FLT LFODepth", 0, 100, 50),
    wordParam("FLT LFORate", "FLT LFO Rate", 1, 256, 32),
    wordParam("FLT LFOPhase", "FLT LFOPhase", 0, 360, 0),
    byteParam("CHO LFOType", "CHO LFOType", 0, 3, 0),
    byteParam("CHO Rate", "CHO Rate", 1, 200, 50),
    byteParam("CHO Depth", "CHO Depth", 0, 100, 50),
    wordParam("ETC Resample", "ETC Resample", 1, 44100, 44100),
    byteParam("Inertia", "Inertia", 0, 64, 1),
};

namespace {
constexpr std::array<const ParameterDescriptor*, kParameterCount> parameterPointers() {
    std::array<const ParameterDescriptor*, kParameterCount> table{};
    for (int i = 0; i < kParameterCount; ++i) table[i] = &kParameters[i];
    return table;
}
constinit const std::array<const ParameterDescriptor*, kParameterCount> kParameterTable =
    parameterPointers();
}  // namespace

const MachineDescription kMachineDescription = {
    2,   // machine type code: effect
    15,  // interface version
    16,  // flags: bit 4 only
    0,
    0,
    kParameterCount,
    0,
    kParameterTable.data(),
    0,
    nullptr,
    "Tarvo Delay",
    "trvd",
    "Tarvo Audio",
    "&About Delay...",
    nullptr,
};

int globalValuesOffset(int index) {
    int offset = 0;
    for (int i = 0; i < index; ++i) offset += kParameters[i].type == ParameterWord ? 2 : 1;
    return offset;
}
