// The audio operation: cuts each block into chunks on a grid of 40-sample periods that runs
// on from one block to the next, runs the glide step at the start of every period and passes
// the block through the stage chain.
//
// No stage feeds anything back to the glide step but the pan shares, which move by rule and
// not by the signal. So the glide steps of a block run first, each chunk keeping what the
// stages read from them, and the pan shares are moved along; then every stage runs through
// the whole block in turn, changing its controls only where the next chunk's differ. The
// stages see exactly what they would chunk by chunk, in longer stretches.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

#include "dsp/conversions.h"
#include "dsp/filter_stretch.h"
#include "machine/float_environment.h"
#include "machine/machine.h"

// What a chunk's stages read of the controls the glide step moves.
struct LineControls {
    float feedbackLeft, feedbackRight, modeValueLeft, modeValueRight, clipGainLeft, clipGainRight;
};
struct MixControls {
    float dryLeft, dryRight, wetLeft, wetRight, shareLeft, shareRight;
};
struct ChunkControls {
    int32_t begin, end;
    LineControls lines;
    float coefLeft[5], coefRight[5];
    float resampleRatio;
    MixControls mix;
};

namespace {

// The most chunks a block of kMaxBlockFrames can have: the one carried in, the whole periods
// and a tail.
constexpr int32_t kMaxChunks = kMaxBlockFrames / kPeriodSamples + 2;

template <typename T>
bool same(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Runs `stage` over the stretches of consecutive chunks whose controls `equal` finds the same.
template <typename Equal, typename Stage>
void forEachStretch(const ChunkControls* chunks, int32_t count, Equal equal, Stage stage) {
    for (int32_t c = 0; c < count;) {
        int32_t last = c;
        while (last + 1 < count && equal(chunks[c], chunks[last + 1])) ++last;
        stage(chunks[c], chunks[c].begin, chunks[last].end);
        c = last + 1;
    }
}

}  // namespace

bool HOST_CALL mi::RenderStereo(float* samples, int32_t count, int32_t workMode) {
    // A machine whose buffers could not be had at set-up stays silent and untouched.
    if (!delayBufferA || !delayBufferB || !chorusBufferLeft || !chorusBufferRight) return false;
    if (workMode == 0) return false;  // nothing wanted: everything stands still
    if (workMode == 1) return true;   // input but no output wanted: likewise
    if (count < 0) return true;
    const bool inputPresent = workMode != 2;  // any other value counts as input and output

    const FloatEnvironment environment(FloatEnvironment::kFlushSubnormals);
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

    ChunkControls controls[kMaxChunks];
    int32_t recorded = 0;
    float sharesLeft[kMaxBlockFrames], sharesRight[kMaxBlockFrames];
    for (int32_t chunk = 0; chunk < chunks; ++chunk) {
        if (recorded == kMaxChunks) {  // never with the blocks RenderStereo passes on
            runStages(samples, controls, recorded, inputPresent, sharesLeft, sharesRight);
            recorded = 0;
        }
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
        recordChunk(controls[recorded], recorded, chunkStart, chunkEnd, sharesLeft, sharesRight);
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
    runStages(samples, controls, recorded, inputPresent, sharesLeft, sharesRight);
    periodCarryPending = periodCarry != 0 ? 1 : 0;
}

// Keeps what the stages of frames begin..end-1 read of the controls, and moves the pan shares
// through those frames.
void mi::recordChunk(ChunkControls& c, int32_t& recorded, int32_t begin, int32_t end,
                     float* sharesLeft, float* sharesRight) {
    begin = std::max(begin, 0);
    end = std::min(end, kMaxBlockFrames);
    if (begin >= end) return;
    c.begin = begin;
    c.end = end;
    c.lines = {feedbackGainLeft,      feedbackGainRight, modeValueLeftCurrent,
               modeValueRightCurrent, clipGainLeft,      clipGainRight};
    std::copy(std::begin(filterCoefLeft), std::end(filterCoefLeft), c.coefLeft);
    std::copy(std::begin(filterCoefRight), std::end(filterCoefRight), c.coefRight);
    c.resampleRatio = resampleRatio;
    // Gliding shares are moved here and kept frame by frame; standing ones are the chunk's.
    const bool glides = panLfoType != 0;
    c.mix = {dryGainLeft,
             dryGainRight,
             wetGainLeft,
             wetGainRight,
             glides ? 0.0f : panMixLeftCurrent,
             glides ? 0.0f : panMixRightCurrent};
    if (glides) glideShares(sharesLeft, sharesRight, begin, end);
    ++recorded;
}

// The stage chain through the recorded chunks, each stage over the whole stretch before the
// next one starts, with the controls each chunk recorded; the controls are as the glide step
// left them afterwards.
void mi::runStages(float* samples, const ChunkControls* chunks, int32_t count, bool inputPresent,
                   const float* sharesLeft, const float* sharesRight) {
    if (count == 0) return;
    const ChunkControls& last = chunks[count - 1];
    const int32_t begin = chunks[0].begin, end = last.end;
    const auto useLines = [this](const LineControls& l) {
        feedbackGainLeft = l.feedbackLeft;
        feedbackGainRight = l.feedbackRight;
        modeValueLeftCurrent = l.modeValueLeft;
        modeValueRightCurrent = l.modeValueRight;
        clipGainLeft = l.clipGainLeft;
        clipGainRight = l.clipGainRight;
    };
    const auto useMix = [this](const MixControls& m) {
        dryGainLeft = m.dryLeft;
        dryGainRight = m.dryRight;
        wetGainLeft = m.wetLeft;
        wetGainRight = m.wetRight;
        panMixLeftCurrent = m.shareLeft;
        panMixRightCurrent = m.shareRight;
    };
    const float panLeftAfter = panMixLeftCurrent, panRightAfter = panMixRightCurrent;

    if (inputPresent) conditionInput(samples, begin, end);
    // Input no host should send (infinities, NaN) is met by checks in the delay entry and the
    // mix; a block without any runs without them.
    const bool inputFinite =
        !inputPresent || dsp::allFinite(samples + 2 * begin, 2 * (end - begin));
    forEachStretch(
        chunks, count,
        [](const ChunkControls& a, const ChunkControls& b) { return same(a.lines, b.lines); },
        [&](const ChunkControls& c, int32_t from, int32_t to) {
            useLines(c.lines);
            runDelayLines(samples, from, to, inputPresent, inputFinite);
        });
    // A chorus type the intake found no table for has no oscillator to read: it stays off.
    if (chorusLfoType != 0 && chorusLfoTable) runChorus(begin, end);
    if (filterType != 0) {
        // One pass through every stretch, so the histories stay where the chain needs them.
        FilterStretch stretches[kMaxChunks];
        int32_t stretchCount = 0;
        forEachStretch(
            chunks, count,
            [](const ChunkControls& a, const ChunkControls& b) {
                return same(a.coefLeft, b.coefLeft) && same(a.coefRight, b.coefRight);
            },
            [&](const ChunkControls& c, int32_t from, int32_t to) {
                stretches[stretchCount++] = {from, to, c.coefLeft, c.coefRight};
            });
        runFilterStretches(stretches, stretchCount);
    }
    forEachStretch(
        chunks, count,
        [](const ChunkControls& a, const ChunkControls& b) {
            return same(a.resampleRatio, b.resampleRatio);
        },
        [&](const ChunkControls& c, int32_t from, int32_t to) {
            resampleRatio = c.resampleRatio;
            if (resampleRatio != 1.0f) runSampleAndHold(from, to);
        });
    forEachStretch(
        chunks, count,
        [](const ChunkControls& a, const ChunkControls& b) { return same(a.mix, b.mix); },
        [&](const ChunkControls& c, int32_t from, int32_t to) {
            useMix(c.mix);
            mixOutput(samples, from, to, inputPresent, inputFinite, sharesLeft, sharesRight);
        });

    // The controls as the last glide step left them, and the shares as the glide moved them.
    useLines(last.lines);
    resampleRatio = last.resampleRatio;
    useMix(last.mix);
    panMixLeftCurrent = panLeftAfter;
    panMixRightCurrent = panRightAfter;
}
