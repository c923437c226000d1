// Helpers for tests that render a machine linked into the test binary. They set the machine
// up the way a host does, through ticks: each control arrives with an inertia of 0, so that the
// first glide step of the next render lands it, and the machine is in a state it really
// reaches.
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

// A tick in which one tick lasts `samplesPerTick` samples, as a host whose tempo changed
// would report it; the machine reads the host's figures afresh at every use.
inline void tickWithTickLength(mi& m, int32_t samplesPerTick, Values values) {
    const MasterInfo* host = m.masterInfo;
    MasterInfo changed = *host;
    changed.samplesPerTick = samplesPerTick;
    m.masterInfo = &changed;
    tick(m, values);
    m.masterInfo = host;
}

// The values of one side's parameter or of both, as ticks carry them.
inline void tickSides(mi& m, Side side, int left, int right, int value) {
    if (side == Side::Both)
        tick(m, {{left, value}, {right, value}});
    else
        tick(m, {{hasLeft(side) ? left : right, value}});
}

// Glided controls from here on land at the next glide step.
inline void noInertia(mi& m) { tick(m, {{ParamInertia, 0}}); }

// Loop length in samples, position back at the start: a delay of one tick, the tick being
// that many samples long.
inline void setLoop(mi& m, Side side, int32_t samples) {
    const int oneTick = 1000;  // thousandths of a tick
    if (hasLeft(side)) tickWithTickLength(m, samples, {{ParamDelayLeft, oneTick}});
    if (hasRight(side)) tickWithTickLength(m, samples, {{ParamDelayRight, oneTick}});
}

inline void setOffset(mi& m, Side side, int32_t samples) {
    const int oneTick = 1000;
    if (hasLeft(side)) tickWithTickLength(m, samples, {{ParamOffsetLeft, oneTick}});
    if (hasRight(side)) tickWithTickLength(m, samples, {{ParamOffsetRight, oneTick}});
}

inline void setFeedback(mi& m, Side side, int32_t percent) {
    noInertia(m);
    tickSides(m, side, ParamFeedbackLeft, ParamFeedbackRight, percent);
}

// Delay mode with its mode parameter (1..100): clip level, shaper amount or bit depth.
inline void setMode(mi& m, Side side, int32_t mode, int32_t param = 1) {
    if (hasLeft(side)) tick(m, {{ParamModeParamLeft, param}, {ParamModeLeft, mode}});
    if (hasRight(side)) tick(m, {{ParamModeParamRight, param}, {ParamModeRight, mode}});
}

inline void setLevels(mi& m, int32_t dryPercent, int32_t wetPercent) {
    noInertia(m);
    tick(m, {{ParamDryLeft, dryPercent},
             {ParamDryRight, dryPercent},
             {ParamWetLeft, wetPercent},
             {ParamWetRight, wetPercent}});
}

// Pan positions without a pan oscillator: the share of each wet channel on its own side.
inline void setPan(mi& m, int32_t leftPosition, int32_t rightPosition) {
    noInertia(m);
    tick(m, {{ParamPanLfoType, 0}, {ParamPanLeftA, leftPosition}, {ParamPanRightA, rightPosition}});
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
