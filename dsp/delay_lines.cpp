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

#include "dsp/conversions.h"
#include "dsp/stages.h"
#include "dsp/wide_vectors.h"
#include "machine/machine.h"

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
    const int64_t frames = std::clamp<int64_t>(length, 0, limit) / kFixedOne;
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

// What enters the offset line. A sample that is not a finite number would circulate in the
// loop for ever, so it enters as silence. A block whose input is known to be finite leaves
// plain samples unchecked (kFinite).
template <Entry kEntry, bool kFinite>
inline float entryValue(float x, const ChannelLines& line) {
    float e;
    if constexpr (kEntry == Entry::Silent)
        return 0.0f;
    else if constexpr (kEntry == Entry::Plain)
        e = x;
    else if constexpr (kEntry == Entry::Clipped)
        e = static_cast<float>(clipped(x, line.modeValue, line.clipGain));
    else if constexpr (kEntry == Entry::Shaped)
        e = static_cast<float>(shaped(x, line.modeValue));
    else
        e = static_cast<float>(crushed(x, line.modeValue));
    if constexpr (kEntry == Entry::Plain && kFinite) return e;
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

// Plain entries run several frames at a time; shaped entries and the reverse read run frame
// by frame.
template <Entry kEntry, Readout kReadout>
constexpr bool kVector =
    (kEntry == Entry::Plain || kEntry == Entry::Silent) && kReadout != Readout::Reverse;

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

// One stretch of one channel: `frames` frames from loop frame p and offset frame q on, none
// of which wraps. The input and the lines advance two floats per frame.
template <Entry kEntry, Readout kReadout, bool kFinite>
TARVO_INLINE_LOOP inline void runStretch(const ChannelLines& line, int32_t p, int32_t q,
                                         const float* __restrict input, float* __restrict wet,
                                         int32_t frames) {
    float* __restrict loop = line.loop + 2 * static_cast<ptrdiff_t>(p);
    float* __restrict offset = line.offset + 2 * static_cast<ptrdiff_t>(q);
    const float gain = line.gain;
    if constexpr (kReadout == Readout::Reverse) {
        // Read backward while the write goes forward, frame after frame: the read may land on
        // a frame this stretch has just written.
        float* const whole = line.loop;
        for (int32_t k = 0; k < frames; ++k) {
            const float a = loopValue<false>(loop[2 * k], offset[2 * k], gain);
            offset[2 * k] = entryValue<kEntry, kFinite>(input[2 * k], line);
            loop[2 * k] = a;
            wet[k] = whole[2 * static_cast<ptrdiff_t>(mirrored(p + k, line.loopFrames))];
        }
    } else {
        for (int32_t k = 0; k < frames; ++k) {
            const float a = loopValue<kVector<kEntry, kReadout>>(loop[2 * k], offset[2 * k], gain);
            offset[2 * k] = entryValue<kEntry, kFinite>(input[2 * k], line);
            loop[2 * k] = a;
            wet[k] = readout<kReadout>(a);
        }
    }
}

// The same for an offset line of one frame: what leaves it is the entry of the frame before.
template <Entry kEntry, Readout kReadout, bool kFinite>
TARVO_INLINE_LOOP inline void runStretchShortOffset(const ChannelLines& line, int32_t p,
                                                    const float* __restrict input,
                                                    float* __restrict wet, int32_t frames) {
    float* __restrict loop = line.loop + 2 * static_cast<ptrdiff_t>(p);
    const float gain = line.gain;
    float leaving = line.offset[0];
    if constexpr (kReadout == Readout::Reverse) {
        float* const whole = line.loop;
        for (int32_t k = 0; k < frames; ++k) {
            const float a = loopValue<false>(loop[2 * k], leaving, gain);
            leaving = entryValue<kEntry, kFinite>(input[2 * k], line);
            loop[2 * k] = a;
            wet[k] = whole[2 * static_cast<ptrdiff_t>(mirrored(p + k, line.loopFrames))];
        }
    } else {
        // Each frame takes the entry of the frame before straight from the input, so the
        // frames stay independent of each other.
        loop[0] = loopValue<kVector<kEntry, kReadout>>(loop[0], leaving, gain);
        wet[0] = readout<kReadout>(loop[0]);
        for (int32_t k = 1; k < frames; ++k) {
            const float a = loopValue<kVector<kEntry, kReadout>>(
                loop[2 * k], entryValue<kEntry, kFinite>(input[2 * k - 2], line), gain);
            loop[2 * k] = a;
            wet[k] = readout<kReadout>(a);
        }
        leaving = entryValue<kEntry, kFinite>(input[2 * frames - 2], line);
    }
    line.offset[0] = leaving;
}

// A "Reverse" stretch whose reads miss its writes: first every read, then the lines as for
// "Normal" several frames at a time (their read-out goes to scratch). Frame 0 reads itself,
// after its write.
template <Entry kEntry, bool kFinite>
void runReverseInPasses(const ChannelLines& line, int32_t p, int32_t q, const float* input,
                        float* __restrict wet, int32_t frames) {
    const float* __restrict whole = line.loop;
    for (int32_t k = 0; k < frames; ++k)
        wet[k] = whole[2 * static_cast<ptrdiff_t>(mirrored(p + k, line.loopFrames))];
    float written[kMaxBlockFrames];
    if (line.offsetFrames == 1)
        runStretchShortOffset<kEntry, Readout::Normal, kFinite>(line, p, input, written, frames);
    else
        runStretch<kEntry, Readout::Normal, kFinite>(line, p, q, input, written, frames);
    if (p == 0) wet[0] = written[0];
}

// The wide loops pay from a few of their widths on: lines shorter than that (loops of a few
// samples) run all their stretches in the narrow form.
constexpr int32_t kWideLineFrames = 32;
inline bool wideLines(const ChannelLines& line) {
    return line.wide && line.loopFrames >= kWideLineFrames &&
           (line.offsetFrames == 1 || line.offsetFrames >= kWideLineFrames);
}

// How many frames from loop frame p and offset frame q run before either line wraps.
inline int32_t stretchFrames(const ChannelLines& line, int32_t p, int32_t q, int32_t left) {
    int32_t frames = std::min(left, line.loopFrames - p);
    if (line.offsetFrames > 1) frames = std::min(frames, line.offsetFrames - q);
    return frames;
}

template <Entry kEntry, Readout kReadout, bool kFinite>
TARVO_INLINE_LOOP inline void runChannelStretches(ChannelLines& line, const float* input,
                                                  float* wet, int32_t begin, int32_t end) {
    for (int32_t j = begin; j < end;) {
        const int32_t p = nextFrame(line.loopFrame, line.loopFrames);
        const int32_t q = nextFrame(line.offsetFrame, line.offsetFrames);
        const int32_t frames = stretchFrames(line, p, q, end - j);
        if (kReadout == Readout::Reverse && mirrorClear(p, frames, line.loopFrames))
            runReverseInPasses<kEntry, kFinite>(line, p, q, input + 2 * j, wet + j, frames);
        else if (line.offsetFrames == 1)
            runStretchShortOffset<kEntry, kReadout, kFinite>(line, p, input + 2 * j, wet + j,
                                                             frames);
        else
            runStretch<kEntry, kReadout, kFinite>(line, p, q, input + 2 * j, wet + j, frames);
        line.loopFrame = p + frames - 1;
        line.offsetFrame = line.offsetFrames == 1 ? 0 : q + frames - 1;
        j += frames;
    }
}

// A "Reverse" read runs frame after frame, in the narrow form.
template <Entry kEntry, Readout kReadout, bool kFinite>
void runChannel(ChannelLines& line, const float* input, float* wet, int32_t begin, int32_t end) {
    dsp::runLoop(kReadout != Readout::Reverse && wideLines(line), [&]() TARVO_INLINE_LOOP {
        runChannelStretches<kEntry, kReadout, kFinite>(line, input, wet, begin, end);
    });
}

// Both channels "Normal" on lines of the same lengths at the same positions: their floats lie
// side by side, so one loop runs both frame by frame, with the same results as two.
template <Entry kEntry, bool kFinite>
TARVO_INLINE_LOOP inline void runPairStretch(const ChannelLines& left, const ChannelLines& right,
                                             int32_t p, int32_t q, const float* __restrict input,
                                             float* __restrict wetLeft, float* __restrict wetRight,
                                             int32_t frames) {
    float* __restrict loop = left.loop + 2 * static_cast<ptrdiff_t>(p);
    float* __restrict offset = left.offset + 2 * static_cast<ptrdiff_t>(q);
    const float gainLeft = left.gain, gainRight = right.gain;
    for (int32_t k = 0; k < frames; ++k) {
        const float a = loopValue<true>(loop[2 * k], offset[2 * k], gainLeft);
        const float b = loopValue<true>(loop[2 * k + 1], offset[2 * k + 1], gainRight);
        offset[2 * k] = entryValue<kEntry, kFinite>(input[2 * k], left);
        offset[2 * k + 1] = entryValue<kEntry, kFinite>(input[2 * k + 1], right);
        loop[2 * k] = a;
        loop[2 * k + 1] = b;
        wetLeft[k] = a;
        wetRight[k] = b;
    }
}

template <Entry kEntry, bool kFinite>
TARVO_INLINE_LOOP inline void runPairStretchShortOffset(
    const ChannelLines& left, const ChannelLines& right, int32_t p, const float* __restrict input,
    float* __restrict wetLeft, float* __restrict wetRight, int32_t frames) {
    float* __restrict loop = left.loop + 2 * static_cast<ptrdiff_t>(p);
    const float gainLeft = left.gain, gainRight = right.gain;
    loop[0] = loopValue<true>(loop[0], left.offset[0], gainLeft);
    loop[1] = loopValue<true>(loop[1], right.offset[0], gainRight);
    wetLeft[0] = loop[0];
    wetRight[0] = loop[1];
    for (int32_t k = 1; k < frames; ++k) {
        const float a = loopValue<true>(
            loop[2 * k], entryValue<kEntry, kFinite>(input[2 * k - 2], left), gainLeft);
        const float b = loopValue<true>(
            loop[2 * k + 1], entryValue<kEntry, kFinite>(input[2 * k - 1], right), gainRight);
        loop[2 * k] = a;
        loop[2 * k + 1] = b;
        wetLeft[k] = a;
        wetRight[k] = b;
    }
    left.offset[0] = entryValue<kEntry, kFinite>(input[2 * frames - 2], left);
    right.offset[0] = entryValue<kEntry, kFinite>(input[2 * frames - 1], right);
}

template <Entry kEntry, bool kFinite>
TARVO_INLINE_LOOP inline void runPairStretches(ChannelLines& left, ChannelLines& right,
                                               const float* input, float* wetLeft, float* wetRight,
                                               int32_t begin, int32_t end) {
    for (int32_t j = begin; j < end;) {
        const int32_t p = nextFrame(left.loopFrame, left.loopFrames);
        const int32_t q = nextFrame(left.offsetFrame, left.offsetFrames);
        const int32_t frames = stretchFrames(left, p, q, end - j);
        if (left.offsetFrames == 1)
            runPairStretchShortOffset<kEntry, kFinite>(left, right, p, input + 2 * j, wetLeft + j,
                                                       wetRight + j, frames);
        else
            runPairStretch<kEntry, kFinite>(left, right, p, q, input + 2 * j, wetLeft + j,
                                            wetRight + j, frames);
        left.loopFrame = right.loopFrame = p + frames - 1;
        left.offsetFrame = right.offsetFrame = left.offsetFrames == 1 ? 0 : q + frames - 1;
        j += frames;
    }
}

template <Entry kEntry, bool kFinite>
void runPair(ChannelLines& left, ChannelLines& right, const float* input, float* wetLeft,
             float* wetRight, int32_t begin, int32_t end) {
    dsp::runLoop(wideLines(left), [&]() TARVO_INLINE_LOOP {
        runPairStretches<kEntry, kFinite>(left, right, input, wetLeft, wetRight, begin, end);
    });
}

// A shaping mode's entries depend on nothing but the input, so they are worked out for the
// whole stretch first, several frames at a time, and the lines then take them as plain entries
// (already finite).
template <Entry kEntry, bool kFinite>
void runShapedChannel(ChannelLines& line, const float* input, float* wet, int32_t begin,
                      int32_t end) {
    float entries[2 * kMaxBlockFrames];
    dsp::runLoop(line.wide, [&]() TARVO_INLINE_LOOP {
        for (int32_t j = begin; j < end; ++j)
            entries[2 * j] = entryValue<kEntry, kFinite>(input[2 * j], line);
    });
    runChannel<Entry::Plain, Readout::Normal, true>(line, entries, wet, begin, end);
}

bool inStep(const ChannelLines& a, const ChannelLines& b) {
    return a.loopFrames == b.loopFrames && a.offsetFrames == b.offsetFrames &&
           a.loopFrame == b.loopFrame && a.offsetFrame == b.offsetFrame;
}

using ChannelLoop = void (*)(ChannelLines&, const float*, float*, int32_t, int32_t);

// Unknown modes act as "Normal"; without input the shaping modes have nothing to shape and
// read out like "Normal" too.
int32_t effectiveMode(int32_t mode, bool inputPresent) {
    if (mode < DelayModeNormal || mode > DelayModeBitcrusher) return DelayModeNormal;
    if (!inputPresent && mode >= DelayModeClipping) return DelayModeNormal;
    return mode;
}

template <bool kFinite>
ChannelLoop channelLoop(int32_t mode, bool inputPresent) {
    if (!inputPresent) {
        switch (mode) {
            case DelayModeInverted:
                return runChannel<Entry::Silent, Readout::Inverted, kFinite>;
            case DelayModeReverse:
                return runChannel<Entry::Silent, Readout::Reverse, kFinite>;
            default:
                return runChannel<Entry::Silent, Readout::Normal, kFinite>;
        }
    }
    switch (mode) {
        case DelayModeInverted:
            return runChannel<Entry::Plain, Readout::Inverted, kFinite>;
        case DelayModeReverse:
            return runChannel<Entry::Plain, Readout::Reverse, kFinite>;
        case DelayModeClipping:
            return runShapedChannel<Entry::Clipped, kFinite>;
        case DelayModeWaveshaper:
            return runShapedChannel<Entry::Shaped, kFinite>;
        case DelayModeBitcrusher:
            return runShapedChannel<Entry::Crushed, kFinite>;
        default:
            return runChannel<Entry::Plain, Readout::Normal, kFinite>;
    }
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
void runLines(ChannelLines& left, ChannelLines& right, int32_t modeLeft, int32_t modeRight,
              const float* samples, float* wetLeft, float* wetRight, int32_t begin, int32_t end,
              bool inputPresent) {
    if (modeLeft == DelayModeNormal && modeRight == DelayModeNormal && inStep(left, right)) {
        if (inputPresent)
            runPair<Entry::Plain, kFinite>(left, right, samples, wetLeft, wetRight, begin, end);
        else
            runPair<Entry::Silent, kFinite>(left, right, samples, wetLeft, wetRight, begin, end);
    } else {
        channelLoop<kFinite>(modeLeft, inputPresent)(left, samples, wetLeft, begin, end);
        channelLoop<kFinite>(modeRight, inputPresent)(right, samples + 1, wetRight, begin, end);
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

    const int32_t modeLeft = effectiveMode(m.delayModeLeft, inputPresent);
    const int32_t modeRight = effectiveMode(m.delayModeRight, inputPresent);
    if (inputFinite)
        runLines<true>(left, right, modeLeft, modeRight, samples, wet.left, wet.right, begin, end,
                       inputPresent);
    else
        runLines<false>(left, right, modeLeft, modeRight, samples, wet.left, wet.right, begin, end,
                        inputPresent);

    m.delayPosLeft = left.loopFrame * kFixedOne + left.loopFraction;
    m.offsetPosLeft = left.offsetFrame * kFixedOne + left.offsetFraction;
    m.delayPosRight = right.loopFrame * kFixedOne + right.loopFraction;
    m.offsetPosRight = right.offsetFrame * kFixedOne + right.offsetFraction;
}
