// The two lines of each channel: an offset line that sets when the first echo sounds and a
// feedback loop that sets the spacing of the echoes after it. The delay mode shapes what
// enters the offset line or changes how the loop is read; the loop itself holds nothing but
// the feedback gain.
//
// A chunk runs in stretches over which neither line wraps. Within a stretch every frame
// touches its own slot of each line, so the frames are independent of each other and the
// per-frame loop carries no position arithmetic; only a "Reverse" read-out, which looks at
// the loop from the other end, still runs strictly frame after frame.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <type_traits>

#include "dsp/conversions.h"
#include "dsp/stages.h"
#include "machine/machine.h"
#include "platform/wide_vectors.h"

namespace {

enum class Entry { Plain, Clipped, Shaped, Crushed, Silent };
enum class Readout { Normal, Inverted, Reverse };

constexpr int32_t kFixedShift = 10;  // kFixedOne = 1 << kFixedShift
static_assert(kFixedOne == 1 << kFixedShift);

// One channel's lines, copied out of the machine for a chunk and written back after it. A
// frame is two floats, so the channel's float of frame f is at index 2 * f. The line stands on
// the frame it processed last; the next frame is the one after it, wrapped.
struct ChannelLines {
    float* loop;                       // the channel's first float in delayBufferA
    float* offset;                     // and in delayBufferB
    int32_t loopFrames, offsetFrames;  // at least one frame each
    int32_t loopFrame, offsetFrame;
    int32_t loopFraction, offsetFraction;  // position bits below one sample, carried unchanged
    float gain;
    double modeValue;  // clip level, shaper amount or quantisation step
    double clipGain;
    bool wide;  // loops in their wide form
};

// A length in whole frames. A line of length 0 stays on frame 0, exactly as a line of one
// sample does, so 0 counts as one frame. Whole samples inside the buffer are all the tick
// ever sets; anything else is cut to that, so every position names a frame of the line.
int32_t usableFrames(int32_t length, int32_t bufferFrames) {
    const int64_t limit = int64_t{bufferFrames} * kFixedOne;
    const int64_t frames = std::clamp<int64_t>(length, 0, limit) >> kFixedShift;
    return frames == 0 ? 1 : static_cast<int32_t>(frames);
}

// A position outside its line starts it again from frame 0.
void standOn(int32_t position, int32_t frames, int32_t& frame, int32_t& fraction) {
    const bool inside = position >= 0 && position < int64_t{frames} * kFixedOne;
    frame = inside ? position >> kFixedShift : 0;
    fraction = inside ? position & (kFixedOne - 1) : 0;
}

inline int32_t nextFrame(int32_t frame, int32_t frames) {
    ++frame;
    return frame >= frames ? frame - frames : frame;
}

// The entry shapes are written without branches (every candidate worked out, then chosen),
// so that a chunk's entries are worked out several frames at a time.

// Soft clip with its knee at the clip level, then the make-up gain that brings full scale
// back to full scale. Beyond the knee on both sides (a negative level) the upper one counts.
inline double clipped(double x, double level, double gain) {
    const double above = level + (x - level) * kClipSlope;
    const double below = -level + (x + level) * kClipSlope;
    const bool isAbove = x > level, isBelow = x <= -level;
    double y = isBelow ? below : x;
    y = isAbove ? above : y;
    return y * gain;
}

// Gain amount + 1 near zero, flattening toward full scale, which it keeps.
inline double shaped(double x, double amount) {
    const double u = x / kFullScale;
    const double a = std::fabs(u);
    return kFullScale * u * (a + amount + 1.0) / (u * u + amount * a + 1.0);
}

// Truncation toward zero as dsp::truncateTowardZero gives it, a zero always positive: below
// 2^52 the magnitude is rounded to a whole number by adding and taking off 2^52 and brought
// down if that went up; from 2^52 on (and for NaN) the value is whole already.
inline double truncated(double value) {
    constexpr double kWhole = 4503599627370496.0;  // 2^52: from here on every double is whole
    const double magnitude = std::fabs(value);
    double rounded = (magnitude + kWhole) - kWhole;
    rounded = rounded > magnitude ? rounded - 1.0 : rounded;
    const double result = std::copysign(rounded, value) + 0.0;  // + 0 turns -0 into 0
    return magnitude < kWhole ? result : value;
}

// Steps of the quantisation size, symmetric about 0.
inline double crushed(double x, double step) { return truncated(x / step) * step; }

// A sample that is not a finite number would circulate in the loop for ever: silence instead.
inline float finiteOrSilence(float e) {
    const uint32_t exponent = std::bit_cast<uint32_t>(e) & 0x7f800000u;
    return exponent == 0x7f800000u ? 0.0f : e;
}

// What enters the offset line from the input: a sample that is not a finite number enters as
// silence, unless the block's input is known to be finite (kFinite). Without input nothing
// enters.
template <Entry kEntry, bool kFinite>
inline float entryValue(float x) {
    static_assert(kEntry == Entry::Plain || kEntry == Entry::Silent);
    if constexpr (kEntry == Entry::Silent)
        return 0.0f;
    else if constexpr (kFinite)
        return x;
    else
        return finiteOrSilence(x);
}

// The entry of a shaping mode, which may overflow whatever the input, so it is always checked.
template <Entry kEntry>
inline float shapedEntry(float x, const ChannelLines& line) {
    float e;
    if constexpr (kEntry == Entry::Clipped)
        e = static_cast<float>(clipped(x, line.modeValue, line.clipGain));
    else if constexpr (kEntry == Entry::Shaped)
        e = static_cast<float>(shaped(x, line.modeValue));
    else
        e = static_cast<float>(crushed(x, line.modeValue));
    return finiteOrSilence(e);
}

// The loop's new content at one frame: what it held plus what leaves the offset line, times
// the feedback gain. Both are always finite, so only an overflow needs holding, branch-free
// where the compiler runs several frames at a time (kVector), by a branch where frames run
// one by one. (A sum or product of two floats rounds to the same float in single precision as
// in double precision and then rounded.)
template <bool kVector>
inline float loopValue(float held, float leaving, float gain) {
    if constexpr (kVector)
        return dsp::heldInRange(dsp::heldInRange(held + leaving) * gain);
    else
        return dsp::heldInRangeByBranch(dsp::heldInRangeByBranch(held + leaving) * gain);
}

template <Readout kReadout>
inline float readout(float a) {
    if constexpr (kReadout == Readout::Inverted)
        return -a;
    else
        return a;
}

// The frame a "Reverse" read takes for loop frame f: the mirror image within the loop. At the
// wrap the mirrored frame would lie one beyond the loop; taken modulo the loop length it is
// frame 0, the frame just written.
inline int32_t mirrored(int32_t f, int32_t loopFrames) { return f == 0 ? 0 : loopFrames - f; }

// Whether the mirrored reads of a stretch from loop frame p on miss every frame the stretch
// writes (apart from frame 0, which reads itself). Then every read sees what the frame held
// before the stretch, and reads and writes may run as two passes; only a stretch across the
// middle of the loop has to run frame after frame.
inline bool mirrorClear(int32_t p, int32_t frames, int32_t loopFrames) {
    const int32_t first = p == 0 ? 1 : 0;
    if (frames <= first) return true;
    const int32_t highest = loopFrames - (p + first), lowest = loopFrames - (p + frames - 1);
    return highest < p || lowest > p + frames - 1;
}

// The lines a call runs, with the wet buffers they fill: one channel's, or both channels' when
// their lines have the same lengths and stand on the same frames. The two channels' floats lie
// side by side, so lane c of frame k is float 2 * k + c from the first lane's.
template <int kLanes>
struct Lanes {
    ChannelLines* line[kLanes];
    float* wet[kLanes];
};

// One frame k of every lane, by the one rule of the lines:
//   loop   <- (what the loop held + what leaves the offset line) x feedback gain
//   offset <- the entry (an offset line of one frame keeps it for the frame after)
//   wet    <- the loop as the mode reads it
// Every variant runs this; they differ only in where the leaving sample comes from (runFrames)
// and in the read. Entries here are plain or silent: the shaping modes have shaped theirs
// beforehand. Both lanes in step leave their read to a pass of its own (kReadLater): the
// compiler then runs the lines in the loop's own layout and only the read takes the lanes
// apart, where it would otherwise work out every frame twice, once in either layout. The
// pointers are not restricted here but where the frames are looped over, so that the compiler
// knows them apart in the loop.
template <int kLanes, Entry kEntry, Readout kReadout, bool kFinite, bool kShortOffset,
          bool kReadLater, typename LoopPointer>
TARVO_INLINE_LOOP inline void runFrame(int32_t k, const float (&leaving)[kLanes], LoopPointer loop,
                                       float* offset, const float* input, float* wetFirst,
                                       float* wetSecond, const float (&gain)[kLanes],
                                       const float* whole, int32_t p, int32_t loopFrames) {
    constexpr bool kVector = kReadout != Readout::Reverse;
    const ptrdiff_t f = 2 * static_cast<ptrdiff_t>(k);
    float a[kLanes];
    for (int c = 0; c < kLanes; ++c) a[c] = loopValue<kVector>(loop[f + c], leaving[c], gain[c]);
    if constexpr (!kShortOffset) {
        for (int c = 0; c < kLanes; ++c) offset[f + c] = entryValue<kEntry, kFinite>(input[f + c]);
    }
    for (int c = 0; c < kLanes; ++c) loop[f + c] = a[c];
    if constexpr (kReadLater) return;
    for (int c = 0; c < kLanes; ++c) {
        float* wet = c == 0 ? wetFirst : wetSecond;
        if constexpr (kReadout == Readout::Reverse)
            wet[k] = whole[2 * static_cast<ptrdiff_t>(mirrored(p + k, loopFrames))];
        else
            wet[k] = readout<kReadout>(a[c]);
    }
}

// A stretch's frames, for the lanes' floats from loop frame p and offset frame q on (`offset`
// is the line's one frame when kShortOffset is set). What leaves an offset line of one frame is
// the entry of the frame before: for both lanes in step it comes from `staged`, the stretch's
// slots of what the call staged (stageLeaving), and every frame runs alike; for one lane the
// first frame takes what the line held and every later one the entry straight from the input,
// which keeps the frames independent of each other too.
template <int kLanes, Entry kEntry, Readout kReadout, bool kFinite, bool kShortOffset,
          typename LoopPointer>
TARVO_INLINE_LOOP inline void runFrames(LoopPointer loop, float* __restrict offset,
                                        const float* __restrict staged,
                                        const float* __restrict input, float* __restrict wetFirst,
                                        float* __restrict wetSecond, const float (&gain)[kLanes],
                                        const float* whole, int32_t p, int32_t loopFrames,
                                        int32_t frames) {
    static_assert(kEntry == Entry::Plain || kEntry == Entry::Silent);
    constexpr bool kInStep = kLanes == 2;
    constexpr bool kStaged = kShortOffset && kInStep;
    int32_t k = 0;
    if constexpr (kShortOffset && !kStaged) {
        float leaving[kLanes];
        for (int c = 0; c < kLanes; ++c) leaving[c] = offset[c];
        runFrame<kLanes, kEntry, kReadout, kFinite, kShortOffset, kInStep>(
            0, leaving, loop, offset, input, wetFirst, wetSecond, gain, whole, p, loopFrames);
        k = 1;
    }
    const auto frameAt = [&](int32_t k) TARVO_INLINE_LOOP {
        const ptrdiff_t f = 2 * static_cast<ptrdiff_t>(k);
        float leaving[kLanes];
        for (int c = 0; c < kLanes; ++c)
            leaving[c] = kStaged        ? staged[f + c]
                         : kShortOffset ? entryValue<kEntry, kFinite>(input[f - 2 + c])
                                        : offset[f + c];
        runFrame<kLanes, kEntry, kReadout, kFinite, kShortOffset, kInStep>(
            k, leaving, loop, offset, input, wetFirst, wetSecond, gain, whole, p, loopFrames);
    };
    // Only a "Reverse" read may land on a frame the loop has written.
    if constexpr (kReadout == Readout::Reverse) {
        for (; k < frames; ++k) frameAt(k);
    } else {
        TARVO_SEPARATE_BUFFERS
        for (; k < frames; ++k) frameAt(k);
    }
    if constexpr (kShortOffset && !kStaged) {
        const ptrdiff_t last = 2 * static_cast<ptrdiff_t>(frames - 1);
        for (int c = 0; c < kLanes; ++c) offset[c] = entryValue<kEntry, kFinite>(input[last + c]);
    }
    if constexpr (kInStep) {
        TARVO_SEPARATE_BUFFERS
        for (int32_t k = 0; k < frames; ++k) {
            const ptrdiff_t f = 2 * static_cast<ptrdiff_t>(k);
            wetFirst[k] = readout<kReadout>(loop[f]);
            wetSecond[k] = readout<kReadout>(loop[f + 1]);
        }
    }
}

// One stretch: `frames` frames from loop frame p and offset frame q on, none of which wraps. A
// "Reverse" read looks at the loop from the other end and may land on a frame the stretch has
// just written, so its loop is not restricted and runs frame after frame.
template <int kLanes, Entry kEntry, Readout kReadout, bool kFinite, bool kShortOffset>
TARVO_INLINE_LOOP inline void runStretch(const ChannelLines& first, const float (&gain)[kLanes],
                                         int32_t p, int32_t q, const float* staged,
                                         const float* input, float* wetFirst, float* wetSecond,
                                         int32_t frames) {
    using LoopPointer = std::conditional_t<kReadout == Readout::Reverse, float*, float* __restrict>;
    const LoopPointer loop = first.loop + 2 * static_cast<ptrdiff_t>(p);
    float* const offset = first.offset + 2 * static_cast<ptrdiff_t>(q);
    runFrames<kLanes, kEntry, kReadout, kFinite, kShortOffset, LoopPointer>(
        loop, offset, staged, input, wetFirst, wetSecond, gain, first.loop, p, first.loopFrames,
        frames);
}

// A "Reverse" stretch whose reads miss its writes: first every read, then the lines as for
// "Normal" several frames at a time (their read-out goes to scratch). Frame 0 reads itself,
// after its write.
template <Entry kEntry, bool kFinite, bool kShortOffset>
void runReverseInPasses(const ChannelLines& line, const float (&gain)[1], int32_t p, int32_t q,
                        const float* staged, const float* input, float* __restrict wet,
                        int32_t frames) {
    const float* __restrict whole = line.loop;
    for (int32_t k = 0; k < frames; ++k)
        wet[k] = whole[2 * static_cast<ptrdiff_t>(mirrored(p + k, line.loopFrames))];
    float written[kMaxBlockFrames];
    runStretch<1, kEntry, Readout::Normal, kFinite, kShortOffset>(line, gain, p, q, staged, input,
                                                                  written, nullptr, frames);
    if (p == 0) wet[0] = written[0];
}

// What leaves the offset lines of one frame of both lanes in step through frames begin..end-1:
// at the first what the lines held, at every later one the entry of the frame before. Staged
// for the whole call, so that the frame loops read it slot by slot as from longer lines and run
// over every frame of a stretch alike. The lines then hold the last frame's entries.
template <Entry kEntry, bool kFinite>
TARVO_INLINE_LOOP inline void stageLeaving(const ChannelLines& first, const float* __restrict input,
                                           int32_t begin, int32_t end, float* __restrict staged) {
    const float* const from = input + 2 * static_cast<ptrdiff_t>(begin);
    const ptrdiff_t count = 2 * static_cast<ptrdiff_t>(end - begin - 1);
    staged[0] = first.offset[0];
    staged[1] = first.offset[1];
    for (ptrdiff_t i = 0; i < count; ++i) staged[2 + i] = entryValue<kEntry, kFinite>(from[i]);
    first.offset[0] = entryValue<kEntry, kFinite>(from[count]);
    first.offset[1] = entryValue<kEntry, kFinite>(from[count + 1]);
}

// The wide loops pay from a few of their widths on: lines shorter than that (loops of a few
// samples) run all their stretches in the narrow form.
constexpr int32_t kWideLineFrames = 32;
inline bool wideLines(const ChannelLines& line) {
    return line.wide && line.loopFrames >= kWideLineFrames &&
           (line.offsetFrames == 1 || line.offsetFrames >= kWideLineFrames);
}

// A call's stretches, each running up to where either line wraps. Lengths and gains are fixed
// for the call; the positions move in locals and are written back to every lane at the end.
template <int kLanes, Entry kEntry, Readout kReadout, bool kFinite, bool kShortOffset>
TARVO_INLINE_LOOP inline void runStretches(const Lanes<kLanes>& lanes, const float* input,
                                           int32_t begin, int32_t end) {
    const ChannelLines& first = *lanes.line[0];
    const int32_t loopFrames = first.loopFrames, offsetFrames = first.offsetFrames;
    float gain[kLanes];
    for (int c = 0; c < kLanes; ++c) gain[c] = lanes.line[c]->gain;
    constexpr bool kStaged = kShortOffset && kLanes == 2;
    float staged[kStaged ? 2 * kMaxBlockFrames : 1];
    if constexpr (kStaged) {
        if (end <= begin) return;
        stageLeaving<kEntry, kFinite>(first, input, begin, end, staged);
    }
    int32_t loopFrame = first.loopFrame, offsetFrame = first.offsetFrame;
    for (int32_t j = begin; j < end;) {
        const int32_t p = nextFrame(loopFrame, loopFrames);
        const int32_t q = kShortOffset ? 0 : nextFrame(offsetFrame, offsetFrames);
        int32_t frames = std::min(end - j, loopFrames - p);
        if constexpr (!kShortOffset) frames = std::min(frames, offsetFrames - q);
        const float* const stagedHere = kStaged ? staged + 2 * (j - begin) : nullptr;
        float* const wetFirst = lanes.wet[0] + j;
        float* const wetSecond = kLanes == 2 ? lanes.wet[kLanes - 1] + j : nullptr;
        if constexpr (kReadout == Readout::Reverse) {
            static_assert(kLanes == 1, "only \"Normal\" channels run in step");
            if (mirrorClear(p, frames, loopFrames))
                runReverseInPasses<kEntry, kFinite, kShortOffset>(first, gain, p, q, stagedHere,
                                                                  input + 2 * j, wetFirst, frames);
            else
                runStretch<1, kEntry, kReadout, kFinite, kShortOffset>(
                    first, gain, p, q, stagedHere, input + 2 * j, wetFirst, nullptr, frames);
        } else {
            runStretch<kLanes, kEntry, kReadout, kFinite, kShortOffset>(
                first, gain, p, q, stagedHere, input + 2 * j, wetFirst, wetSecond, frames);
        }
        loopFrame = p + frames - 1;
        offsetFrame = q + frames - 1;  // an offset line of one frame stays on frame 0
        j += frames;
    }
    for (ChannelLines* line : lanes.line) {
        line->loopFrame = loopFrame;
        line->offsetFrame = offsetFrame;
    }
}

// A "Reverse" read runs frame after frame, in the narrow form.
template <int kLanes, Entry kEntry, Readout kReadout, bool kFinite>
void runLanes(const Lanes<kLanes>& lanes, const float* input, int32_t begin, int32_t end) {
    const bool wide = kReadout != Readout::Reverse && wideLines(*lanes.line[0]);
    const bool shortOffset = lanes.line[0]->offsetFrames == 1;
    platform::runLoop(wide, [&]() TARVO_INLINE_LOOP {
        if (shortOffset)
            runStretches<kLanes, kEntry, kReadout, kFinite, true>(lanes, input, begin, end);
        else
            runStretches<kLanes, kEntry, kReadout, kFinite, false>(lanes, input, begin, end);
    });
}

// A shaping mode's entries depend on nothing but the input, so they are worked out for the
// whole call first, several frames at a time, and the lines then take them as plain entries
// (already finite).
template <Entry kEntry>
void runShapedChannel(const Lanes<1>& lanes, const float* input, int32_t begin, int32_t end) {
    float entries[2 * kMaxBlockFrames];
    const ChannelLines& line = *lanes.line[0];
    platform::runLoop(line.wide, [&]() TARVO_INLINE_LOOP {
        for (int32_t j = begin; j < end; ++j)
            entries[2 * j] = shapedEntry<kEntry>(input[2 * j], line);
    });
    runLanes<1, Entry::Plain, Readout::Normal, true>(lanes, entries, begin, end);
}

// How a channel's lines run in a mode: what enters the offset line and how the loop is read.
// Unknown modes act as "Normal". Without input nothing enters, and the shaping modes, having
// nothing to shape, read out like "Normal".
struct LineForm {
    Entry entry;
    Readout readout;
};

LineForm lineForm(int32_t mode, bool inputPresent) {
    const Readout readout = mode == DelayModeInverted  ? Readout::Inverted
                            : mode == DelayModeReverse ? Readout::Reverse
                                                       : Readout::Normal;
    if (!inputPresent) return {Entry::Silent, readout};
    switch (mode) {
        case DelayModeClipping:
            return {Entry::Clipped, Readout::Normal};
        case DelayModeWaveshaper:
            return {Entry::Shaped, Readout::Normal};
        case DelayModeBitcrusher:
            return {Entry::Crushed, Readout::Normal};
        default:
            return {Entry::Plain, readout};
    }
}

template <Entry kEntry, bool kFinite>
void runChannelReadout(Readout readout, const Lanes<1>& lanes, const float* input, int32_t begin,
                       int32_t end) {
    switch (readout) {
        case Readout::Normal:
            return runLanes<1, kEntry, Readout::Normal, kFinite>(lanes, input, begin, end);
        case Readout::Inverted:
            return runLanes<1, kEntry, Readout::Inverted, kFinite>(lanes, input, begin, end);
        case Readout::Reverse:
            return runLanes<1, kEntry, Readout::Reverse, kFinite>(lanes, input, begin, end);
    }
}

template <bool kFinite>
void runChannel(LineForm form, const Lanes<1>& lanes, const float* input, int32_t begin,
                int32_t end) {
    switch (form.entry) {
        case Entry::Plain:
            return runChannelReadout<Entry::Plain, kFinite>(form.readout, lanes, input, begin, end);
        case Entry::Silent:
            return runChannelReadout<Entry::Silent, kFinite>(form.readout, lanes, input, begin,
                                                             end);
        case Entry::Clipped:
            return runShapedChannel<Entry::Clipped>(lanes, input, begin, end);
        case Entry::Shaped:
            return runShapedChannel<Entry::Shaped>(lanes, input, begin, end);
        case Entry::Crushed:
            return runShapedChannel<Entry::Crushed>(lanes, input, begin, end);
    }
}

// Both channels "Normal" on lines in step run in one loop, with the same results as two.
bool runInStep(LineForm left, LineForm right, const ChannelLines& a, const ChannelLines& b) {
    const bool normal = left.readout == Readout::Normal && right.readout == Readout::Normal &&
                        (left.entry == Entry::Plain || left.entry == Entry::Silent) &&
                        right.entry == left.entry;
    // Each field alone: compared in pairs, the loads would be wider than the stores just made.
    return normal && a.loopFrames == b.loopFrames && a.loopFrame == b.loopFrame &&
           a.offsetFrames == b.offsetFrames && a.offsetFrame == b.offsetFrame;
}

ChannelLines channelLines(float* loop, float* offset, int32_t loopLength, int32_t loopPosition,
                          int32_t offsetLength, int32_t offsetPosition, int32_t bufferFrames,
                          float gain, float modeValue, float clipGain, bool wide) {
    ChannelLines line;
    line.loop = loop;
    line.offset = offset;
    line.loopFrames = usableFrames(loopLength, bufferFrames);
    line.offsetFrames = usableFrames(offsetLength, bufferFrames);
    standOn(loopPosition, line.loopFrames, line.loopFrame, line.loopFraction);
    standOn(offsetPosition, line.offsetFrames, line.offsetFrame, line.offsetFraction);
    line.gain = gain;
    line.modeValue = modeValue;
    line.clipGain = clipGain;
    line.wide = wide;
    return line;
}

template <bool kFinite>
void runLines(ChannelLines& left, ChannelLines& right, LineForm formLeft, LineForm formRight,
              const float* samples, dsp::Wet wet, int32_t begin, int32_t end) {
    if (runInStep(formLeft, formRight, left, right)) {
        const Lanes<2> both{{&left, &right}, {wet.left, wet.right}};
        if (formLeft.entry == Entry::Plain)
            runLanes<2, Entry::Plain, Readout::Normal, kFinite>(both, samples, begin, end);
        else
            runLanes<2, Entry::Silent, Readout::Normal, kFinite>(both, samples, begin, end);
    } else {
        runChannel<kFinite>(formLeft, {{&left}, {wet.left}}, samples, begin, end);
        runChannel<kFinite>(formRight, {{&right}, {wet.right}}, samples + 1, begin, end);
    }
}

}  // namespace

void dsp::runDelayLines(mi& m, const LineControls& controls, const float* samples, Wet wet,
                        int32_t begin, int32_t end, bool inputPresent, bool inputFinite) {
    ChannelLines left = channelLines(m.delayBufferA, m.delayBufferB, m.delayLengthLeft,
                                     m.delayPosLeft, m.offsetLengthLeft, m.offsetPosLeft,
                                     m.delayBufferFrames, controls.feedbackLeft,
                                     controls.modeValueLeft, controls.clipGainLeft, m.wideVectors);
    ChannelLines right = channelLines(
        m.delayBufferA + 1, m.delayBufferB + 1, m.delayLengthRight, m.delayPosRight,
        m.offsetLengthRight, m.offsetPosRight, m.delayBufferFrames, controls.feedbackRight,
        controls.modeValueRight, controls.clipGainRight, m.wideVectors);

    const LineForm formLeft = lineForm(m.delayModeLeft, inputPresent);
    const LineForm formRight = lineForm(m.delayModeRight, inputPresent);
    if (inputFinite)
        runLines<true>(left, right, formLeft, formRight, samples, wet, begin, end);
    else
        runLines<false>(left, right, formLeft, formRight, samples, wet, begin, end);

    m.delayPosLeft = left.loopFrame * kFixedOne + left.loopFraction;
    m.offsetPosLeft = left.offsetFrame * kFixedOne + left.offsetFraction;
    m.delayPosRight = right.loopFrame * kFixedOne + right.loopFraction;
    m.offsetPosRight = right.offsetFrame * kFixedOne + right.offsetFraction;
}
