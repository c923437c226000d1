// The settings the benchmarks render with, and a session that renders blocks of 256 frames as
// the host sends them.
#pragma once

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "core/hosted_machine.h"
#include "core/parameter_record.h"
#include "machine/parameters.h"

namespace bench {

inline constexpr int kBlock = 256;
inline constexpr int kBlocksPerIteration = 64;
inline constexpr int kFramesPerIteration = kBlock * kBlocksPerIteration;

using Settings = std::vector<std::pair<int, int>>;

// Chorus on, a filter with its oscillator running, the pan oscillator running, sample and
// hold at 22050, clipping on one side and reverse on the other.
inline const Settings kFullChain = {
    {ParamChorusLfoType, 1}, {ParamFilterType, 1},    {ParamFilterLfoType, 1},
    {ParamCutoff, 40000},    {ParamResonance, 30},    {ParamPanLfoType, 1},
    {ParamResample, 22050},  {ParamModeLeft, 3},      {ParamModeParamLeft, 50},
    {ParamModeRight, 2},     {ParamFeedbackLeft, 70}, {ParamFeedbackRight, 70},
};

// Loops of 7 samples on both sides, and of 7 and 9: stretches too short for the wide loops to
// pay.
inline const Settings kShortLoops = {{ParamDelayLeft, 32007}, {ParamDelayRight, 32007}};
inline const Settings kShortUneven = {{ParamDelayLeft, 32007}, {ParamDelayRight, 32009}};

struct Session {
    Session(const core::MachineCode& code, const Settings& settings)
        : machine(code, 44100, 5512), record(*code.description) {
        record.setDefaults();
        for (auto [index, value] : settings) record.set(index, value);
        machine.tick(record);
        std::mt19937 random(5);
        std::uniform_real_distribution<float> noise(-16384.0f, 16384.0f);
        input.resize(2 * kFramesPerIteration);
        for (float& s : input) s = noise(random);
        buffer.resize(2 * kBlock);
    }

    // One iteration: kBlocksPerIteration blocks of input (or silence), processed in place.
    void run(bool silent) {
        for (int b = 0; b < kBlocksPerIteration; ++b) {
            if (silent)
                std::fill(buffer.begin(), buffer.end(), 0.0f);
            else
                std::copy_n(input.begin() + 2 * kBlock * b, 2 * kBlock, buffer.begin());
            machine.render(buffer.data(), kBlock, 3);
        }
    }

    core::HostedMachine machine;
    core::ParameterRecord record;
    std::vector<float> input;
    std::vector<float> buffer;
};

}  // namespace bench
