// The two lines of each channel: an offset line that sets when the first echo sounds and a
// feedback loop that sets the spacing of the echoes after it. The delay mode shapes what
// enters the offset line or changes how the loop is read; the loop itself holds nothing but
// the feedback gain.
#include <algorithm>
#include <cmath>

#include "dsp/conversions.h"
#include "machine/machine.h"

namespace {

enum class Entry { Plain, Clipped, Shaped, Crushed, Silent };
enum class Readout { Normal, Inverted, Reverse };

enum DelayMode : int32_t {
    kNormal = 0,
    kInverted = 1,
    kReverse = 2,
    kClipping = 3,
    kWaveshaper = 4,
    kBitcrusher = 5,
};

// One channel's lines, copied out of the machine for a chunk and written back after it.
// Positions are fixed point (samples x kFixedOne); a frame is two floats, so the channel's
// float of frame f is at index 2 * f.
struct ChannelLines {
    float* loop;    // the channel's first float in delayBufferA
    float* offset;  // and in delayBufferB
    int32_t loopPos, loopLength;
    int32_t offsetPos, offsetLength;
    int32_t loopFrames;
    double gain;
    double modeValue;  // clip level, shaper amount or quantisation step
    double clipGain;
};

// A length as the position advance uses it. A line of length 0 stays on frame 0, exactly as
// a line of one sample does, so 0 becomes one sample here and the advance needs no third
// step. Whole samples inside the buffer are all the tick ever sets; anything else is cut to
// that, so every position names a frame of the line.
int32_t usableLength(int32_t length, int32_t bufferFrames) {
    const int64_t limit = int64_t{bufferFrames} * kFixedOne;
    const int64_t whole = std::clamp<int64_t>(length, 0, limit) / kFixedOne * kFixedOne;
    return whole == 0 ? kFixedOne : static_cast<int32_t>(whole);
}

int32_t usablePosition(int32_t position, int32_t length) {
    return position >= 0 && position < length ? position : 0;
}

// Forward by one sample with one addition and at most one subtraction.
inline int32_t advance(int32_t position, int32_t length) {
    position += kFixedOne;
    if (position >= length) position -= length;
    return position;
}

// Soft clip with its knee at the clip level, then the make-up gain that brings full scale
// back to full scale.
inline double clipped(double x, double level, double gain) {
    double y = x;
    if (x > level)
        y = level + (x - level) * kClipSlope;
    else if (x <= -level)
        y = -level + (x + level) * kClipSlope;
    return y * gain;
}

// Gain amount + 1 near zero, flattening toward full scale, which it keeps.
inline double shaped(double x, double amount) {
    const double u = x / kFullScale;
    const double a = std::fabs(u);
    return kFullScale * u * (a + amount + 1.0) / (u * u + amount * a + 1.0);
}

// Steps of the quantisation size, symmetric about 0.
inline double crushed(double x, double step) { return dsp::truncateTowardZero(x / step) * step; }

// What enters the offset line. A sample that is not a finite number would circulate in the
// loop for ever, so it enters as silence.
template <Entry kEntry>
inline float entryValue(float x, const ChannelLines& line) {
    float e;
    if constexpr (kEntry == Entry::Plain)
        e = x;
    else if constexpr (kEntry == Entry::Clipped)
        e = static_cast<float>(clipped(x, line.modeValue, line.clipGain));
    else if constexpr (kEntry == Entry::Shaped)
        e = static_cast<float>(shaped(x, line.modeValue));
    else
        e = static_cast<float>(crushed(x, line.modeValue));
    return std::isfinite(e) ? e : 0.0f;
}

// One frame of one channel: advance both lines, move what leaves the offset line into the
// loop, enter the new sample, apply the feedback gain and read the loop out.
template <Entry kEntry, Readout kReadout>
inline float stepChannel(ChannelLines& line, float x) {
    line.loopPos = advance(line.loopPos, line.loopLength);
    line.offsetPos = advance(line.offsetPos, line.offsetLength);
    const int32_t p = line.loopPos / kFixedOne;
    float& a = line.loop[2 * p];
    float& b = line.offset[2 * (line.offsetPos / kFixedOne)];
    a = dsp::saturateToFloat(double{a} + b);
    if constexpr (kEntry == Entry::Silent)
        b = 0.0f;
    else
        b = entryValue<kEntry>(x, line);
    a = dsp::saturateToFloat(a * line.gain);
    if constexpr (kReadout == Readout::Normal) {
        return a;
    } else if constexpr (kReadout == Readout::Inverted) {
        return -a;
    } else {
        // Read backward while the write goes forward. At the wrap the mirrored frame would
        // lie one beyond the loop; taken modulo the loop length it is frame 0.
        return line.loop[2 * (p == 0 ? 0 : line.loopFrames - p)];
    }
}

template <Entry kEntry, Readout kReadout>
void runChannel(ChannelLines& channel, const float* input, float* wet, int32_t begin, int32_t end) {
    ChannelLines line = channel;
    for (int32_t j = begin; j < end; ++j) {
        float x = 0.0f;
        if constexpr (kEntry != Entry::Silent) x = input[2 * j];
        wet[j] = stepChannel<kEntry, kReadout>(line, x);
    }
    channel = line;
}

// Both channels "Normal": one loop runs both, with the same results as two.
template <Entry kEntry>
void runBothNormal(ChannelLines& leftChannel, ChannelLines& rightChannel, const float* input,
                   float* wetLeft, float* wetRight, int32_t begin, int32_t end) {
    ChannelLines left = leftChannel, right = rightChannel;
    for (int32_t j = begin; j < end; ++j) {
        float xL = 0.0f, xR = 0.0f;
        if constexpr (kEntry != Entry::Silent) {
            xL = input[2 * j];
            xR = input[2 * j + 1];
        }
        wetLeft[j] = stepChannel<kEntry, Readout::Normal>(left, xL);
        wetRight[j] = stepChannel<kEntry, Readout::Normal>(right, xR);
    }
    leftChannel = left;
    rightChannel = right;
}

using ChannelLoop = void (*)(ChannelLines&, const float*, float*, int32_t, int32_t);

// Unknown modes act as "Normal"; without input the shaping modes have nothing to shape and
// read out like "Normal" too.
int32_t effectiveMode(int32_t mode, bool inputPresent) {
    if (mode < kNormal || mode > kBitcrusher) return kNormal;
    if (!inputPresent && mode >= kClipping) return kNormal;
    return mode;
}

ChannelLoop channelLoop(int32_t mode, bool inputPresent) {
    if (!inputPresent) {
        switch (mode) {
            case kInverted:
                return runChannel<Entry::Silent, Readout::Inverted>;
            case kReverse:
                return runChannel<Entry::Silent, Readout::Reverse>;
            default:
                return runChannel<Entry::Silent, Readout::Normal>;
        }
    }
    switch (mode) {
        case kInverted:
            return runChannel<Entry::Plain, Readout::Inverted>;
        case kReverse:
            return runChannel<Entry::Plain, Readout::Reverse>;
        case kClipping:
            return runChannel<Entry::Clipped, Readout::Normal>;
        case kWaveshaper:
            return runChannel<Entry::Shaped, Readout::Normal>;
        case kBitcrusher:
            return runChannel<Entry::Crushed, Readout::Normal>;
        default:
            return runChannel<Entry::Plain, Readout::Normal>;
    }
}

}  // namespace

void mi::runDelayLines(const float* samples, int32_t begin, int32_t end, bool inputPresent) {
    ChannelLines left{delayBufferA,
                      delayBufferB,
                      0,
                      usableLength(delayLengthLeft, delayBufferFrames),
                      0,
                      usableLength(offsetLengthLeft, delayBufferFrames),
                      0,
                      feedbackGainLeft,
                      modeValueLeftCurrent,
                      clipGainLeft};
    ChannelLines right{delayBufferA + 1,
                       delayBufferB + 1,
                       0,
                       usableLength(delayLengthRight, delayBufferFrames),
                       0,
                       usableLength(offsetLengthRight, delayBufferFrames),
                       0,
                       feedbackGainRight,
                       modeValueRightCurrent,
                       clipGainRight};
    left.loopPos = usablePosition(delayPosLeft, left.loopLength);
    left.offsetPos = usablePosition(offsetPosLeft, left.offsetLength);
    left.loopFrames = left.loopLength / kFixedOne;
    right.loopPos = usablePosition(delayPosRight, right.loopLength);
    right.offsetPos = usablePosition(offsetPosRight, right.offsetLength);
    right.loopFrames = right.loopLength / kFixedOne;

    const int32_t modeLeft = effectiveMode(delayModeLeft, inputPresent);
    const int32_t modeRight = effectiveMode(delayModeRight, inputPresent);
    if (modeLeft == kNormal && modeRight == kNormal) {
        if (inputPresent)
            runBothNormal<Entry::Plain>(left, right, samples, wetLeft, wetRight, begin, end);
        else
            runBothNormal<Entry::Silent>(left, right, samples, wetLeft, wetRight, begin, end);
    } else {
        channelLoop(modeLeft, inputPresent)(left, samples, wetLeft, begin, end);
        channelLoop(modeRight, inputPresent)(right, samples + 1, wetRight, begin, end);
    }

    delayPosLeft = left.loopPos;
    offsetPosLeft = left.offsetPos;
    delayPosRight = right.loopPos;
    offsetPosRight = right.offsetPos;
}
