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

void mi::runChorus(int32_t begin, int32_t end) {
    const float* const table = chorusLfoTable;
    float* const ringLeft = chorusBufferLeft;
    float* const ringRight = chorusBufferRight;
    const double increment = phaseIncrement(masterInfo->sampleRate, chorusRate);
    // The depth keeps the read between 2 and 398 slots ahead, so inside the ring after one
    // wrap.
    const double depth = std::clamp(chorusDepth, 0, kMaxDepth) * kChorusDepthScale;
    float phase = chorusLfoPhase >= 0.0f && chorusLfoPhase < kCycle ? chorusLfoPhase : 0.0f;
    int32_t write = chorusWriteIndex >= 0 && chorusWriteIndex <= kChorusRing ? chorusWriteIndex : 0;
    float readPos = chorusReadPos;

    for (int32_t j = begin; j < end; ++j) {
        const int32_t i = static_cast<int32_t>(phase);
        const int32_t i1 = i + 1 == kLfoTableSize ? 0 : i + 1;
        const double lfo = table[i] + (double{table[i1]} - table[i]) * (double{phase} - i);
        readPos = static_cast<float>(lfo * depth + kChorusCentre + write);

        phase = static_cast<float>(phase + increment);
        if (phase >= kCycle) {
            phase = static_cast<float>(phase - kCycle);
            if (phase >= kCycle) phase = 0.0f;  // a sum that rounded up to two whole cycles
        }

        if (static_cast<int32_t>(readPos) >= kChorusRing)
            readPos = static_cast<float>(readPos - kChorusRing);
        const int32_t k = static_cast<int32_t>(readPos);
        const int32_t k1 = k + 1 == kChorusRing ? 0 : k + 1;
        const double fraction = double{readPos} - k;

        const float dryLeft = wetLeft[j], dryRight = wetRight[j];
        wetLeft[j] =
            static_cast<float>(ringLeft[k] + (double{ringLeft[k1]} - ringLeft[k]) * fraction);
        wetRight[j] =
            static_cast<float>(ringRight[k] + (double{ringRight[k1]} - ringRight[k]) * fraction);

        if (write >= kChorusRing) write -= kChorusRing;
        ringLeft[write] = dryLeft;
        ringRight[write] = dryRight;
        ++write;
    }

    chorusLfoPhase = phase;
    chorusWriteIndex = write;
    chorusReadPos = readPos;
}
