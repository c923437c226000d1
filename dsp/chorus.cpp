// The chorus: both wet channels pass through a ring of 200 samples, read about 100 samples
// behind the write, the distance swung by an oscillator. Its output replaces the wet signal.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "dsp/chorus_phase.h"
#include "dsp/stages.h"
#include "machine/machine.h"
#include "platform/wide_vectors.h"

namespace {

constexpr int32_t kMaxDepth = 100;
constexpr int32_t kRingLengthBits = std::bit_cast<int32_t>(float{kChorusRing});

// Table positions per frame for a rate in tenths of a hertz. A host that reports no usable
// sample rate gets a standing oscillator; an increment of a whole cycle or more per frame
// (only at a handful of frames per second) is taken modulo a cycle, so that one subtraction
// always brings the phase back into the table.
double phaseIncrement(int32_t sampleRate, int32_t rate) {
    const double increment = kLfoCycle / (sampleRate / (rate / kTenthsPerHertz));
    if (!std::isfinite(increment) || !(increment > 0.0)) return 0.0;
    return increment < kLfoCycle ? increment : std::fmod(increment, kLfoCycle);
}

}  // namespace

// The oscillator reads its levels from the widened table that the intake made when it
// selected the shape.
void dsp::runChorus(mi& machine, Wet wet, int32_t begin, int32_t end) {
    const int32_t count = end - begin;
    if (count <= 0) return;
    const double increment = phaseIncrement(machine.masterInfo->sampleRate, machine.chorusRate);
    // The depth keeps the read between 2 and 398 slots ahead, so inside the ring after one
    // wrap.
    const double depth = std::clamp(machine.chorusDepth, 0, kMaxDepth) * kChorusDepthScale;
    const float phase = machine.chorusLfoPhase >= 0.0f && machine.chorusLfoPhase < kLfoCycle
                            ? machine.chorusLfoPhase
                            : 0.0f;
    const int32_t writeIndex = machine.chorusWriteIndex;
    const int32_t firstWrite = writeIndex >= 0 && writeIndex <= kChorusRing ? writeIndex : 0;

    // Where each frame reads. This depends on nothing the frames write, so it is worked out
    // for all of them first, free of any chain from one frame to the next.
    double phases[kMaxBlockFrames];
    machine.chorusLfoPhase = dsp::phasesThroughChunk(phase, increment, phases, count);
    platform::runLoop(machine.wideVectors, [&]() TARVO_INLINE_LOOP {
        const double* const level = machine.chorusLfoLevel;
        const double* const rise = machine.chorusLfoRise;
        int32_t slots[kMaxBlockFrames];
        float fractions[kMaxBlockFrames];
        for (int32_t m = 0; m < count; ++m) {
            // The oscillator: the phase lies in 0..256, so its whole part indexes the table.
            const int32_t i = static_cast<int32_t>(phases[m]);
            const double lfo = level[i] + rise[i] * (phases[m] - i);
            // The write slot as the read position's sum takes it: 1..200 once it has wrapped.
            const int32_t written = firstWrite + m;
            const int32_t writeAt = written - kChorusRing * (int32_t{written > kChorusRing} +
                                                             int32_t{written > 2 * kChorusRing});
            const float sum = static_cast<float>(lfo * depth + kChorusCentre + writeAt);
            // The read lies 2..398 slots on, never below 0, so its whole part reaches the ring's
            // length exactly when the position does. (Positive floats order as their bits do.)
            const int32_t beyond = std::bit_cast<int32_t>(sum) >= kRingLengthBits;
            const float readPos = sum - float{kChorusRing} * static_cast<float>(beyond);
            slots[m] = static_cast<int32_t>(readPos);
            fractions[m] =
                readPos - static_cast<float>(slots[m]);  // exact: the position's fraction
        }

        // The ring's reads and writes in frame order, then the interpolation between the two slots
        // each frame read, which depends on nothing else. The slot after the ring's last repeats
        // its first, so that a read between them needs no wrap; the buffers hold more than the
        // ring.
        float* __restrict ringLeft = machine.chorusBufferLeft;
        float* __restrict ringRight = machine.chorusBufferRight;
        float* __restrict wetL = wet.left + begin;
        float* __restrict wetR = wet.right + begin;
        static_assert(kChorusBufferFloats > kChorusRing);
        ringLeft[kChorusRing] = ringLeft[0];
        ringRight[kChorusRing] = ringRight[0];
        // The two neighbouring slots a frame reads, moved together.
        float readLeft[2 * kMaxBlockFrames], readRight[2 * kMaxBlockFrames];
        const auto readAndWrite = [&](int32_t m, int32_t write) TARVO_INLINE_LOOP {
            std::memcpy(readLeft + 2 * m, ringLeft + slots[m], 2 * sizeof(float));
            std::memcpy(readRight + 2 * m, ringRight + slots[m], 2 * sizeof(float));
            ringLeft[write] = wetL[m];
            ringRight[write] = wetR[m];
        };
        // Runs of frames up to the ring's end, where the write wraps; the frame that writes
        // the first slot writes its repeat too.
        int32_t write = firstWrite;
        for (int32_t m = 0; m < count;) {
            if (write >= kChorusRing) write -= kChorusRing;
            if (write == 0) {
                readAndWrite(m, 0);
                ringLeft[kChorusRing] = ringLeft[0];
                ringRight[kChorusRing] = ringRight[0];
                ++write;
                ++m;
                continue;
            }
            const int32_t stop = std::min(count, m + (kChorusRing - write));
            for (; m < stop; ++m, ++write) readAndWrite(m, write);
        }
        for (int32_t m = 0; m < count; ++m) {
            const double fraction = fractions[m];
            wetL[m] = static_cast<float>(
                readLeft[2 * m] + (double{readLeft[2 * m + 1]} - readLeft[2 * m]) * fraction);
            wetR[m] = static_cast<float>(
                readRight[2 * m] + (double{readRight[2 * m + 1]} - readRight[2 * m]) * fraction);
        }
        machine.chorusWriteIndex = write;
    });
}
