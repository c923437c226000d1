// What the tests of every plug-in format share: a test signal, busy settings, and the offline
// host's replay of the same session (the same ticks at the same frames), which a plug-in's
// output must equal bit for bit.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "host/conventions.h"
#include "host/sample_scale.h"
#include "host/tempo.h"
#include "machine/parameters.h"
#include "offline/host_script.h"
#include "offline/plugin_library.h"

namespace plugintest {

inline offline::PluginLibrary& machineLibrary() {
    static offline::PluginLibrary library(TARVO_PLUGIN_PATH);
    return library;
}

inline float defaultOf(int index) {
    return static_cast<float>(machineLibrary().info()->parameters[index]->defaultValue);
}

struct Channels {
    std::vector<float> left, right;
};

// A dry click and noise bursts: echoes of both are easy to see and to compare.
inline Channels testSignal(size_t frames, unsigned seed) {
    Channels c{std::vector<float>(frames), std::vector<float>(frames)};
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-0.25f, 0.25f);
    for (size_t i = 0; i < frames; ++i) {
        const bool burst = (i / 2000) % 4 == 0;
        c.left[i] = burst ? noise(random) : 0.0f;
        c.right[i] = burst ? noise(random) : 0.0f;
    }
    c.left[0] = 0.5f;
    return c;
}

using Settings = std::vector<std::pair<int, int>>;

// Settings that use every stage, with tick lengths on the left and samples on the right.
inline const Settings kBusy = {{ParamDelayLeft, 1500},   {ParamDelayRight, 32001 + 3000},
                               {ParamOffsetLeft, 250},   {ParamFeedbackLeft, 70},
                               {ParamFeedbackRight, 60}, {ParamChorusLfoType, 1},
                               {ParamFilterType, 1},     {ParamFilterLfoType, 2},
                               {ParamCutoff, 42000},     {ParamResonance, 40},
                               {ParamPanLfoType, 3},     {ParamResample, 30000},
                               {ParamModeLeft, 3},       {ParamModeParamLeft, 40},
                               {ParamDryRight, 80}};

inline std::string settingsText(const Settings& settings) {
    std::string text;
    for (auto [index, value] : settings)
        text += " " + std::to_string(index) + "=" + std::to_string(value);
    return text;
}

inline int32_t samplesPerTick(int32_t rate, double bpm, int32_t tpb) {
    return static_cast<int32_t>(roundedSamplesPerTick(rate, bpm, tpb));
}

// A plug-in's machine is set up when it is activated, with the tempo known then (our tempo's
// default before the first block); the first block's tempo is in force from its tick on.
inline std::string header(int32_t rate, int32_t tpt) {
    return "rate " + std::to_string(rate) + "\ntpt " +
           std::to_string(samplesPerTick(rate, kDefaultTempo, kDefaultTicksPerBeat)) +
           "\ncreate\ntpt " + std::to_string(tpt) + "\n";
}

// The offline host's replay of a script over the same input, at unit scale.
inline Channels replay(const std::string& script, const Channels& in) {
    offline::PluginLibrary& library = machineLibrary();
    std::vector<float> input(in.left.size() * 2);
    for (size_t i = 0; i < in.left.size(); ++i) {
        input[2 * i] = unitToHost(in.left[i]);
        input[2 * i + 1] = unitToHost(in.right[i]);
    }
    const auto result =
        offline::runScript(library.code(), offline::parseScript(script, *library.info()), input);
    Channels out{std::vector<float>(result.output.size() / 2),
                 std::vector<float>(result.output.size() / 2)};
    for (size_t i = 0; i < out.left.size(); ++i) {
        out.left[i] = hostToUnit(result.output[2 * i]);
        out.right[i] = hostToUnit(result.output[2 * i + 1]);
    }
    return out;
}

// Index of the first sample where two channels differ, or -1.
inline long firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return static_cast<long>(i);
    return -1;
}

inline void expectSame(const Channels& a, const Channels& b) {
    const long left = firstDifference(a.left, b.left);
    const long right = firstDifference(a.right, b.right);
    EXPECT_EQ(left, -1) << "plug-in " << a.left[left] << ", offline host " << b.left[left];
    EXPECT_EQ(right, -1) << "plug-in " << a.right[right] << ", offline host " << b.right[right];
}

}  // namespace plugintest
