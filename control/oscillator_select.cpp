// Choosing an oscillator's shape: its table, and a fresh start from the current rate.
#include <cstddef>

#include "machine/machine.h"
#include "machine/oscillator_advance.h"

namespace {

// The table of a shape code among the tables offered in code order; an unknown code keeps the
// present one.
template <size_t kOffered>
const float* offeredTable(int32_t type, const float* present,
                          const float* const (&offered)[kOffered]) {
    return type >= 0 && static_cast<size_t>(type) < kOffered ? offered[type] : present;
}

}  // namespace

// Code 0 is off: no table.
const float* mi::lfoTableFor(int32_t type, const float* present) const {
    const float* const offered[] = {nullptr,     lfoSine,      lfoSquare,
                                    lfoTriangle, lfoDoubleSaw, lfoRandom};
    return offeredTable(type, present, offered);
}

// The chorus offers fewer shapes, and its code 2 is the triangle, not the square.
const float* mi::chorusLfoTableFor(int32_t type, const float* present) const {
    const float* const offered[] = {nullptr, lfoSine, lfoTriangle, lfoRandom};
    return offeredTable(type, present, offered);
}

// A chosen shape restarts both pan oscillators at their target rates, ending any rate glide.
void mi::selectPanLfo(int32_t type) {
    panLfoType = type;
    panLfoTable = lfoTableFor(type, panLfoTable);
    if (type == 0) return;
    const int32_t samplesPerTick = masterInfo->samplesPerTick;
    panLfoPhaseRight = 0.0f;
    panLfoPhaseLeft = 0.0f;
    setOscillatorPeriod(
        panLfoPeriodLeft, panLfoAdvanceLeft,
        static_cast<float>(panLfoRateLeftTarget * kTicksPerRateStep * samplesPerTick));
    setOscillatorPeriod(
        panLfoPeriodRight, panLfoAdvanceRight,
        static_cast<float>(panLfoRateRightTarget * kTicksPerRateStep * samplesPerTick));
    panLfoRateLeftCurrent = panLfoRateLeftTarget;
    panLfoRateRightCurrent = panLfoRateRightTarget;
}

// Switching the filter oscillator off leaves the filter at the cutoff target it had before
// this tick; switching it on restarts it at its target rate.
void mi::selectFilterLfo(int32_t type) {
    filterLfoType = type;
    filterLfoTable = lfoTableFor(type, filterLfoTable);
    if (type == 0) {
        designFilter(cutoffTarget, filterType);
        return;
    }
    filterLfoPhase = 0.0f;
    setOscillatorPeriod(
        filterLfoPeriod, filterLfoAdvance,
        static_cast<float>(kTicksPerRateStep * filterLfoRateTarget * masterInfo->samplesPerTick));
    filterLfoRateCurrent = filterLfoRateTarget;
}

// A chorus shape restarts its oscillator. The chorus reads the table in double precision, each
// entry beside its rise to the next (the entry after the last is the first), so the widened
// table is made here, once per choice, rather than in every block.
void mi::selectChorusLfo(int32_t type) {
    chorusLfoType = type;
    chorusLfoTable = chorusLfoTableFor(type, chorusLfoTable);
    chorusLfoPhase = 0.0f;
    if (chorusLfoTable == nullptr) return;
    for (int32_t i = 0; i < kLfoTableSize; ++i) {
        const int32_t next = (i + 1) & (kLfoTableSize - 1);
        chorusLfoLevel[i] = chorusLfoTable[i];
        chorusLfoRise[i] = double{chorusLfoTable[next]} - chorusLfoTable[i];
    }
}
