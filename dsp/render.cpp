// The audio operation: cuts each block into chunks on a grid of 40-sample periods that runs
// on from one block to the next, runs the glide step at the start of every period and passes
// each chunk through the stage chain.
#include <algorithm>
#include <cstddef>

#include "dsp/denormals.h"
#include "machine/machine.h"

bool HOST_CALL mi::RenderStereo(float* samples, int32_t count, int32_t workMode) {
    // A machine whose buffers could not be had at set-up stays silent and untouched.
    if (!delayBufferA || !delayBufferB || !chorusBufferLeft || !chorusBufferRight) return false;
    if (workMode == 0) return false;  // nothing wanted: everything stands still
    if (workMode == 1) return true;   // input but no output wanted: likewise
    if (count < 0) return true;
    const bool inputPresent = workMode != 2;  // any other value counts as input and output

    const dsp::FlushDenormals flush;
    // Longer blocks than the wet scratch holds run in pieces; the period grid ignores block
    // boundaries, so the pieces sound exactly like one block.
    int32_t done = 0;
    do {
        const int32_t piece = std::min(count - done, kMaxBlockFrames);
        renderBlock(samples + 2 * static_cast<ptrdiff_t>(done), piece, inputPresent);
        done += piece;
    } while (done < count);
    return true;
}

// One block of at most kMaxBlockFrames frames. periodCarry is the part of the current period
// that falls due at the start of the next block, so the chunk count is known in advance: the
// carried-in remainder, the whole periods, and a tail that begins a new period.
void mi::renderBlock(float* samples, int32_t count, bool inputPresent) {
    const int32_t afterCarry = count - periodCarry;
    int32_t chunks = periodCarryPending + afterCarry / kPeriodSamples;
    if (periodCarry > count) {
        blockTailSamples = 0;
        periodCarry -= count;
    } else {
        blockTailSamples = afterCarry % kPeriodSamples;
        periodCarry = kPeriodSamples - blockTailSamples;
    }
    if (blockTailSamples != 0) ++chunks;

    for (int32_t chunk = 0; chunk < chunks; ++chunk) {
        if (periodOpen == 0) glideStep();
        chunkEnd += periodRemaining;
        if (chunkEnd >= count) {
            // The block ends first: the rest of the period belongs to the next block.
            periodRemaining = chunkEnd - count;
            chunkEnd = count;
            periodOpen = 1;
        } else if (periodOpen == 1) {
            // The period carried in from the last block is complete.
            periodRemaining = kPeriodSamples;
            periodOpen = 0;
        }
        runChunk(samples, chunkStart, chunkEnd, inputPresent);
        chunkStart = chunkEnd;
        if (periodOpen == 1) {
            chunkStart = 0;
            chunkEnd = 0;
            if (periodRemaining == 0) {  // the period ended exactly with the block
                periodRemaining = kPeriodSamples;
                periodOpen = 0;
            }
        }
    }
    periodCarryPending = periodCarry != 0 ? 1 : 0;
}

// The stage chain over frames begin..end-1; each stage runs over the whole chunk before the
// next one starts.
void mi::runChunk(float* samples, int32_t begin, int32_t end, bool inputPresent) {
    begin = std::max(begin, 0);
    end = std::min(end, kMaxBlockFrames);
    if (begin >= end) return;
    if (inputPresent) conditionInput(samples, begin, end);
    runDelayLines(samples, begin, end, inputPresent);
    // A chorus type the intake found no table for has no oscillator to read: it stays off.
    if (chorusLfoType != 0 && chorusLfoTable) runChorus(begin, end);
    if (filterType != 0) runFilter(begin, end);
    if (resampleRatio != 1.0f) runSampleAndHold(begin, end);
    mixOutput(samples, begin, end, inputPresent);
}
