// The chorus: both wet channels pass through a ring of 200 samples, read about 100 samples
// behind the write, the distance swung by an oscillator. Its output replaces the wet signal.
#include <algorithm>
#include <cmath>

#include "machine/machine.h"

namespace {

constexpr double kCycle = kLfoTableSize;  // table positions per oscillator cycle
constexpr int32_t kMaxDepth = 100;

// Table positions per frame for a rate in tenths of a hertz. A host that reports no usable
// sample rate gets a standing oscillator; an increment of a whole cycle or more per frame
// (only at a handful of frames per second) is taken modulo a cycle, so that one subtraction
// always brings the phase back into the table.
double phaseIncrement(int32_t sampleRate, int32_t rate) {
    const double increment = kCycle / (sampleRate / (rate / kTenthsPerHertz));
    if (!std::isfinite(increment) || !(increment > 0.0)) return 0.0;
    return increment < kCycle ? increment : std::fmod(increment, kCycle);
}

}  // namespace

// The oscillator table in double precision, each entry with its rise to the next (the entry
// after the last is the first), worked out again only when another table is selected.
void mi::widenChorusTable() {
    const float* const table = chorusLfoTable;
    for (int32_t i = 0; i < kLfoTableSize; ++i) {
        const int32_t next = (i + 1) & (kLfoTableSize - 1);
        chorusLfoLevel[i] = table[i];
        chorusLfoRise[i] = double{table[next]} - table[i];
    }
    chorusLfoWidened = table;
}

void mi::runChorus(int32_t begin, int32_t end) {
    if (chorusLfoWidened != chorusLfoTable) widenChorusTable();
    const double* const level = chorusLfoLevel;
    const double* const rise = chorusLfoRise;
    float* __restrict ringLeft = chorusBufferLeft;
    float* __restrict ringRight = chorusBufferRight;
    float* __restrict wetL = wetLeft;
    float* __restrict wetR = wetRight;
    const double increment = phaseIncrement(masterInfo->sampleRate, chorusRate);
    // The depth keeps the read between 2 and 398 slots ahead, so inside the ring after one
    // wrap.
    const double depth = std::clamp(chorusDepth, 0, kMaxDepth) * kChorusDepthScale;
    float phase = chorusLfoPhase >= 0.0f && chorusLfoPhase < kCycle ? chorusLfoPhase : 0.0f;
    int32_t write = chorusWriteIndex >= 0 && chorusWriteIndex <= kChorusRing ? chorusWriteIndex : 0;
    double writeAt = write;  // the write slot as the read position's sum takes it
    float readPos = chorusReadPos;
    // The slot after the ring's last repeats its first, so that a read between them needs no
    // wrap; the buffers hold more than the ring.
    static_assert(kChorusBufferFloats > kChorusRing);
    ringLeft[kChorusRing] = ringLeft[0];
    ringRight[kChorusRing] = ringRight[0];

    for (int32_t j = begin; j < end; ++j) {
        // The oscillator: the phase lies in 0..256, so its whole part indexes the table.
        const double at = phase;
        const int32_t i = static_cast<int32_t>(phase);
        const double lfo = level[i] + rise[i] * (at - i);
        readPos = static_cast<float>(lfo * depth + kChorusCentre + writeAt);

        phase = static_cast<float>(at + increment);
        if (phase >= kCycle) {
            phase = static_cast<float>(phase - kCycle);
            if (phase >= kCycle) phase = 0.0f;  // a sum that rounded up to two whole cycles
        }

        // The read lies 2..398 slots on, never below 0, so its whole part reaches the ring's
        // length exactly when the position does.
        if (readPos >= kChorusRing) readPos = static_cast<float>(readPos - kChorusRing);
        const int32_t k = static_cast<int32_t>(readPos);
        const double fraction = double{readPos} - k;

        const float dryLeft = wetL[j], dryRight = wetR[j];
        wetL[j] =
            static_cast<float>(ringLeft[k] + (double{ringLeft[k + 1]} - ringLeft[k]) * fraction);
        wetR[j] =
            static_cast<float>(ringRight[k] + (double{ringRight[k + 1]} - ringRight[k]) * fraction);

        if (write >= kChorusRing) {
            write -= kChorusRing;
            writeAt -= kChorusRing;
        }
        ringLeft[write] = dryLeft;
        ringRight[write] = dryRight;
        if (write == 0) {
            ringLeft[kChorusRing] = dryLeft;
            ringRight[kChorusRing] = dryRight;
        }
        ++write;
        writeAt += 1.0;
    }

    chorusLfoPhase = phase;
    chorusWriteIndex = write;
    chorusReadPos = readPos;
}
