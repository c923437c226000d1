// The audio operation: runs the glide step at the start of every 40-sample period and passes
// the audio through the stage chain.
//
// Spans of frames, from the longest:
// - block: the frames of one call from the host, here at most 256; a longer call is cut into
//   pieces of 256 frames or fewer, each rendered as a block of its own;
// - period: the 40 samples from one glide step to the next, on a grid that runs on across
//   blocks, so that a block can begin or end inside a period;
// - chunk: the frames of one block that lie in one period, the unit over which the glided
//   controls stand still (or in the periods in a row whose glide steps find them settled);
// - stretch: consecutive chunks of a block over which a stage finds its controls the same,
//   run by that stage in one go.
//
// No stage feeds anything back to the glide step but the pan shares, which move by rule and
// not by the signal. So the glide steps of a block run first, each chunk keeping what the
// stages read from them, and the pan shares are moved along; then every stage runs through
// the whole block in turn, stretch by stretch. The stages see exactly what they would chunk by
// chunk.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <type_traits>

#include "dsp/conversions.h"
#include "dsp/stages.h"
#include "host/conventions.h"
#include "machine/channel_render.h"
#include "machine/machine.h"
#include "platform/float_environment.h"
#include "platform/wide_vectors.h"

namespace {

using dsp::FilterStretch;
using dsp::LineControls;
using dsp::MixControls;

// What a chunk's stages read of the controls the glide step moves.
struct ChunkControls {
    int32_t begin, end;
    LineControls lines;
    float coefLeft[5], coefRight[5];
    float resampleRatio;
    MixControls mix;
};

// The most chunks a block can have: the rest of a period carried in, the whole periods and a
// period begun at its end.
constexpr int32_t kMaxChunks = kMaxBlockFrames / kPeriodSamples + 2;

// The block's chunks with their controls, and the pan shares of every frame while they glide.
struct BlockPlan {
    ChunkControls chunks[kMaxChunks];
    int32_t count = 0;
    float sharesLeft[kMaxBlockFrames], sharesRight[kMaxBlockFrames];
};

template <typename T>
bool same(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Runs `stage` over the stretches of consecutive chunks whose controls `equal` finds the same.
template <typename Equal, typename Stage>
void forEachStretch(const BlockPlan& plan, Equal equal, Stage stage) {
    const ChunkControls* chunks = plan.chunks;
    for (int32_t c = 0; c < plan.count;) {
        int32_t last = c;
        while (last + 1 < plan.count && equal(chunks[c], chunks[last + 1])) ++last;
        stage(chunks[c], chunks[c].begin, chunks[last].end);
        c = last + 1;
    }
}

// Keeps what the stages of frames begin..end-1 read of the controls, and moves the pan shares
// through those frames.
void recordChunk(mi& m, BlockPlan& plan, int32_t begin, int32_t end) {
    ChunkControls& c = plan.chunks[plan.count++];
    c.begin = begin;
    c.end = end;
    c.lines = {m.feedbackGainLeft,      m.feedbackGainRight, m.modeValueLeftCurrent,
               m.modeValueRightCurrent, m.clipGainLeft,      m.clipGainRight};
    if (m.filterType != 0) {  // the one stage that reads them
        std::copy(std::begin(m.filterCoefLeft), std::end(m.filterCoefLeft), c.coefLeft);
        std::copy(std::begin(m.filterCoefRight), std::end(m.filterCoefRight), c.coefRight);
    }
    c.resampleRatio = m.resampleRatio;
    // Gliding shares are moved here and kept frame by frame; standing ones are the chunk's.
    const bool glides = m.panLfoType != 0;
    c.mix = {m.dryGainLeft,
             m.dryGainRight,
             m.wetGainLeft,
             m.wetGainRight,
             glides ? 0.0f : m.panMixLeftCurrent,
             glides ? 0.0f : m.panMixRightCurrent};
    if (glides) dsp::glideShares(m, plan.sharesLeft, plan.sharesRight, begin, end);
}

// The stage chain through the block, each stage over the whole block before the next one
// starts, with the controls each chunk recorded. The first stage reads the block and the last
// writes it where the layout says; the stages between read the conditioned frames.
template <typename Block>
void runStages(mi& m, const Block& block, const BlockPlan& plan, bool inputPresent) {
    constexpr bool kChannels = std::is_same_v<Block, dsp::UnitChannels>;
    if (plan.count == 0) return;
    const int32_t begin = plan.chunks[0].begin, end = plan.chunks[plan.count - 1].end;
    const dsp::Wet wet{m.wetLeft, m.wetRight};
    const float* const frames = block.frames;

    if (inputPresent) dsp::conditionInput(m.inputMode, m.wideVectors, block, begin, end);
    // Input no host should send (infinities, NaN) is met by checks in the delay entry and the
    // mix; a block without any runs without them. Channels come in through unitToHost, which
    // lets none in.
    bool inputFinite = true;
    if (!kChannels && inputPresent)
        platform::runLoop(m.wideVectors, [&]() TARVO_INLINE_LOOP {
            inputFinite = dsp::allFinite(frames + 2 * begin, 2 * (end - begin));
        });
    forEachStretch(
        plan, [](const ChunkControls& a, const ChunkControls& b) { return same(a.lines, b.lines); },
        [&](const ChunkControls& c, int32_t from, int32_t to) {
            dsp::runDelayLines(m, c.lines, frames, wet, from, to, inputPresent, inputFinite);
        });
    // A chorus type the intake found no table for has no oscillator to read: it stays off.
    if (m.chorusLfoType != 0 && m.chorusLfoTable) dsp::runChorus(m, wet, begin, end);
    if (m.filterType != 0) {
        // One pass through every stretch, so the histories stay where the chain needs them.
        FilterStretch stretches[kMaxChunks];
        int32_t stretchCount = 0;
        forEachStretch(
            plan,
            [](const ChunkControls& a, const ChunkControls& b) {
                return same(a.coefLeft, b.coefLeft) && same(a.coefRight, b.coefRight);
            },
            [&](const ChunkControls& c, int32_t from, int32_t to) {
                stretches[stretchCount++] = {from, to, c.coefLeft, c.coefRight};
            });
        dsp::runFilter(m, stretches, stretchCount, wet);
    }
    forEachStretch(
        plan,
        [](const ChunkControls& a, const ChunkControls& b) {
            return same(a.resampleRatio, b.resampleRatio);
        },
        [&](const ChunkControls& c, int32_t from, int32_t to) {
            if (c.resampleRatio != 1.0f) dsp::runSampleAndHold(m, c.resampleRatio, wet, from, to);
        });
    const bool panGlides = m.panLfoType != 0;
    forEachStretch(
        plan, [](const ChunkControls& a, const ChunkControls& b) { return same(a.mix, b.mix); },
        [&](const ChunkControls& c, int32_t from, int32_t to) {
            if constexpr (kChannels)
                dsp::mixOutput(c.mix, panGlides, m.wideVectors, block, wet.left, wet.right,
                               plan.sharesLeft, plan.sharesRight, from, to);
            else
                dsp::mixOutput(c.mix, panGlides, m.wideVectors, block, wet.left, wet.right,
                               plan.sharesLeft, plan.sharesRight, from, to, inputPresent,
                               inputFinite);
        });
}

// One block of at most kMaxBlockFrames frames: its chunks, each opened by a glide step where
// a period begins, then the stages through all of them. A glide step that finds the controls
// settled moves nothing the stages read, so the chunk it opens only lengthens the one before.
template <typename Block>
void renderBlock(mi& m, const Block& block, int32_t count, bool inputPresent) {
    BlockPlan plan;
    for (int32_t begin = 0; begin < count;) {
        bool standing = false;
        if (m.periodOpen == 0) {
            standing = m.controlsSettled && plan.count > 0;
            m.glideStep();
            m.periodOpen = 1;
            m.periodRemaining = kPeriodSamples;
        }
        const int32_t end = std::min(count, begin + m.periodRemaining);
        m.periodRemaining -= end - begin;
        if (m.periodRemaining == 0) {  // the period is complete: the next frame opens one
            m.periodOpen = 0;
            m.periodRemaining = kPeriodSamples;
        }
        if (standing)
            plan.chunks[plan.count - 1].end = end;
        else
            recordChunk(m, plan, begin, end);
        begin = end;
    }
    runStages(m, block, plan, inputPresent);
}

// A machine whose buffers could not be had at set-up stays silent and untouched.
bool hasBuffers(const mi& m) {
    return m.delayBufferA && m.delayBufferB && m.chorusBufferLeft && m.chorusBufferRight;
}

// Longer calls than the wet scratch holds run in pieces; the period grid ignores block
// boundaries, so the pieces sound exactly like one block. `piece(done, frames)` renders one.
template <typename Piece>
void renderPieces(int32_t count, Piece piece) {
    const FloatEnvironment environment(FloatEnvironment::kFlushSubnormals);
    int32_t done = 0;
    do {
        const int32_t frames = std::min(count - done, kMaxBlockFrames);
        piece(static_cast<ptrdiff_t>(done), frames);
        done += frames;
    } while (done < count);
}

}  // namespace

bool HOST_CALL mi::RenderStereo(float* samples, int32_t count, int32_t workMode) {
    if (!hasBuffers(*this)) return false;
    if (workMode == kWorkModeNone) return false;      // nothing wanted: everything stands still
    if (workMode == kWorkModeInputOnly) return true;  // no output wanted: likewise
    if (count < 0) return true;
    // any other value counts as input and output
    const bool inputPresent = workMode != kWorkModeOutputOnly;
    renderPieces(count, [&](ptrdiff_t done, int32_t frames) {
        renderBlock(*this, dsp::HostFrames{samples + 2 * done}, frames, inputPresent);
    });
    return true;
}

// Input and output, as work mode 3. The conditioned frames of a piece live on the stack here,
// and the whole piece's input is read before any of its output is written, so that the output
// channels may be the input's own memory.
bool renderChannels(CMachineInterface* machine, const float* inLeft, const float* inRight,
                    float* outLeft, float* outRight, int32_t count) {
    mi& m = *static_cast<mi*>(machine);
    if (!hasBuffers(m)) return false;
    if (count < 0) return true;
    float frames[2 * kMaxBlockFrames], left[kMaxBlockFrames], right[kMaxBlockFrames];
    renderPieces(count, [&](ptrdiff_t done, int32_t pieceFrames) {
        const dsp::UnitChannels block{
            inLeft + done, inRight + done, outLeft + done, outRight + done, frames, left, right};
        renderBlock(m, block, pieceFrames, true);
    });
    return true;
}
