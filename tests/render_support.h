// Helpers for tests that render a machine linked into the test binary: they set its fields
// the way the tick and the glide step would leave them once every control has settled, so
// that a glide step finds nothing to move.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "control_support.h"
#include "test_support.h"

namespace test {

enum class Side { Left, Right, Both };

inline bool hasLeft(Side side) { return side != Side::Right; }
inline bool hasRight(Side side) { return side != Side::Left; }

// Loop length in samples, position back at the start.
inline void setLoop(mi& m, Side side, int32_t samples) {
    if (hasLeft(side)) {
        m.delayLengthLeft = samples * kFixedOne;
        m.delayPosLeft = 0;
    }
    if (hasRight(side)) {
        m.delayLengthRight = samples * kFixedOne;
        m.delayPosRight = 0;
    }
}

inline void setOffset(mi& m, Side side, int32_t samples) {
    if (hasLeft(side)) {
        m.offsetLengthLeft = samples * kFixedOne;
        m.offsetPosLeft = 0;
    }
    if (hasRight(side)) {
        m.offsetLengthRight = samples * kFixedOne;
        m.offsetPosRight = 0;
    }
}

inline void setFeedback(mi& m, Side side, int32_t percent) {
    if (hasLeft(side)) {
        m.feedbackLeftTarget = percent;
        m.feedbackLeftCurrent = static_cast<float>(percent);
        m.feedbackGainLeft = static_cast<float>(percent / 100.0);
    }
    if (hasRight(side)) {
        m.feedbackRightTarget = percent;
        m.feedbackRightCurrent = static_cast<float>(percent);
        m.feedbackGainRight = static_cast<float>(percent / 100.0);
    }
}

// Delay mode with its mode value (clip level, shaper amount or quantisation step).
inline void setMode(mi& m, Side side, int32_t mode, int32_t value = 1, float clipGain = 1.0f) {
    if (hasLeft(side)) {
        m.delayModeLeft = mode;
        m.modeValueLeftTarget = value;
        m.modeValueLeftCurrent = static_cast<float>(value);
        m.clipGainLeft = clipGain;
    }
    if (hasRight(side)) {
        m.delayModeRight = mode;
        m.modeValueRightTarget = value;
        m.modeValueRightCurrent = static_cast<float>(value);
        m.clipGainRight = clipGain;
    }
}

inline void setLevels(mi& m, int32_t dryPercent, int32_t wetPercent) {
    m.dryLeftTarget = m.dryRightTarget = dryPercent;
    m.dryLeftCurrent = m.dryRightCurrent = static_cast<float>(dryPercent);
    m.dryGainLeft = m.dryGainRight = static_cast<float>(dryPercent * double{0.01f});
    m.wetLeftTarget = m.wetRightTarget = wetPercent;
    m.wetLeftCurrent = m.wetRightCurrent = static_cast<float>(wetPercent);
    m.wetGainLeft = m.wetGainRight = static_cast<float>(wetPercent * double{0.01f});
}

// Pan positions without a pan oscillator: the share of each wet channel on its own side.
inline void setPan(mi& m, int32_t leftPosition, int32_t rightPosition) {
    m.panLfoType = 0;
    m.panLeftATarget = leftPosition;
    m.panLeftACurrent = static_cast<float>(leftPosition);
    m.panRightATarget = rightPosition;
    m.panRightACurrent = static_cast<float>(rightPosition);
    m.panMixLeftCurrent = m.panMixLeftTarget = static_cast<float>(1 - leftPosition / 100.0);
    m.panMixRightCurrent = m.panMixRightTarget = static_cast<float>(rightPosition / 100.0);
}

// A machine whose output is exactly its wet signal, each channel on its own side: no dry
// signal, wet gain 1, no stage after the delay lines.
inline void wetOnly(mi& m) {
    setLevels(m, 0, 100);
    setPan(m, 0, 100);
}

// Interleaved stereo frames.
using Frames = std::vector<float>;

inline Frames silence(int32_t frames) { return Frames(2 * static_cast<size_t>(frames), 0.0f); }

inline Frames impulse(int32_t frames, float left, float right, int32_t at = 0) {
    Frames f = silence(frames);
    f[2 * at] = left;
    f[2 * at + 1] = right;
    return f;
}

inline std::vector<float> channel(const Frames& frames, int which) {
    std::vector<float> c;
    for (size_t i = which; i < frames.size(); i += 2) c.push_back(frames[i]);
    return c;
}

// Renders the frames in place, in blocks of at most `block` frames.
inline void render(mi& m, Frames& frames, int32_t workMode = 3, int32_t block = 256) {
    const int32_t total = static_cast<int32_t>(frames.size() / 2);
    for (int32_t done = 0; done < total;) {
        const int32_t count = std::min(block, total - done);
        m.RenderStereo(frames.data() + 2 * done, count, workMode);
        done += count;
    }
}

}  // namespace test
