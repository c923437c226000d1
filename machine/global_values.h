// The packed record of the 36 parameter values that the host writes before every tick.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "the record's word fields are little-endian and read in place");

#pragma pack(push, 1)
struct GlobalValues {
    uint8_t inputMode;
    uint16_t delayLeft;
    uint16_t delayRight;
    uint16_t offsetLeft;
    uint16_t offsetRight;
    uint8_t feedbackLeft;
    uint8_t feedbackRight;
    uint8_t modeLeft;
    uint8_t modeRight;
    uint8_t modeParamLeft;
    uint8_t modeParamRight;
    uint16_t dryLeft;
    uint16_t dryRight;
    uint16_t wetLeft;
    uint16_t wetRight;
    uint8_t panLeftA;
    uint8_t panLeftB;
    uint8_t panRightA;
    uint8_t panRightB;
    uint16_t panLfoRateLeft;
    uint16_t panLfoRateRight;
    uint16_t panLfoPhaseLeft;
    uint16_t panLfoPhaseRight;
    uint8_t panLfoType;
    uint8_t filterType;
    uint16_t cutoff;
    uint8_t resonance;
    uint8_t filterLfoType;
    uint8_t filterLfoDepth;
    uint16_t filterLfoRate;
    uint16_t filterLfoPhase;
    uint8_t chorusLfoType;
    uint8_t chorusRate;
    uint8_t chorusDepth;
    uint16_t resample;
    uint8_t inertia;
};
#pragma pack(pop)

// Every field where the host writes it.
static_assert(sizeof(GlobalValues) == 52);
static_assert(offsetof(GlobalValues, delayLeft) == 1);
static_assert(offsetof(GlobalValues, delayRight) == 3);
static_assert(offsetof(GlobalValues, offsetLeft) == 5);
static_assert(offsetof(GlobalValues, offsetRight) == 7);
static_assert(offsetof(GlobalValues, feedbackLeft) == 9);
static_assert(offsetof(GlobalValues, feedbackRight) == 10);
static_assert(offsetof(GlobalValues, modeLeft) == 11);
static_assert(offsetof(GlobalValues, modeRight) == 12);
static_assert(offsetof(GlobalValues, modeParamLeft) == 13);
static_assert(offsetof(GlobalValues, modeParamRight) == 14);
static_assert(offsetof(GlobalValues, dryLeft) == 15);
static_assert(offsetof(GlobalValues, dryRight) == 17);
static_assert(offsetof(GlobalValues, wetLeft) == 19);
static_assert(offsetof(GlobalValues, wetRight) == 21);
static_assert(offsetof(GlobalValues, panLeftA) == 23);
static_assert(offsetof(GlobalValues, panLeftB) == 24);
static_assert(offsetof(GlobalValues, panRightA) == 25);
static_assert(offsetof(GlobalValues, panRightB) == 26);
static_assert(offsetof(GlobalValues, panLfoRateLeft) == 27);
static_assert(offsetof(GlobalValues, panLfoRateRight) == 29);
static_assert(offsetof(GlobalValues, panLfoPhaseLeft) == 31);
static_assert(offsetof(GlobalValues, panLfoPhaseRight) == 33);
static_assert(offsetof(GlobalValues, panLfoType) == 35);
static_assert(offsetof(GlobalValues, filterType) == 36);
static_assert(offsetof(GlobalValues, cutoff) == 37);
static_assert(offsetof(GlobalValues, resonance) == 39);
static_assert(offsetof(GlobalValues, filterLfoType) == 40);
static_assert(offsetof(GlobalValues, filterLfoDepth) == 41);
static_assert(offsetof(GlobalValues, filterLfoRate) == 42);
static_assert(offsetof(GlobalValues, filterLfoPhase) == 44);
static_assert(offsetof(GlobalValues, chorusLfoType) == 46);
static_assert(offsetof(GlobalValues, chorusRate) == 47);
static_assert(offsetof(GlobalValues, chorusDepth) == 48);
static_assert(offsetof(GlobalValues, resample) == 49);
static_assert(offsetof(GlobalValues, inertia) == 51);

// The no-values: a field holding one of these carries nothing new in this tick.
inline constexpr uint8_t kNoByteValue = 255;
inline constexpr uint16_t kNoWordValue = 65535;
