// The chorus oscillator's phases worked out a chunk ahead must be exactly the ones the frames
// would reach by moving on one at a time.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "dsp/chorus_phase.h"
#include "platform/float_environment.h"

namespace {

// Checks phasesThroughChunk against nextPhase frame by frame; returns false at the first
// difference, with a failure naming it.
bool agreesFrameByFrame(float start, double increment, int32_t count) {
    std::vector<double> phases(static_cast<size_t>(count));
    const float after = dsp::phasesThroughChunk(start, increment, phases.data(), count);
    float phase = start;
    for (int32_t m = 0; m < count; ++m) {
        if (phases[m] != static_cast<double>(phase)) {
            ADD_FAILURE() << "start " << start << " increment " << increment << " frame " << m
                          << ": " << phases[m] << " instead of " << phase;
            return false;
        }
        phase = dsp::nextPhase(phase, increment);
    }
    if (std::bit_cast<uint32_t>(after) != std::bit_cast<uint32_t>(phase)) {
        ADD_FAILURE() << "start " << start << " increment " << increment << ": ends at " << after
                      << " instead of " << phase;
        return false;
    }
    return true;
}

TEST(ChorusPhase, AgreesWithFrameByFrameOverManyRatesAndStarts) {
    const FloatEnvironment environment(FloatEnvironment::kFlushSubnormals);  // as in the render
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    // Increments from a standing oscillator to nearly a cycle per frame, spread over their
    // orders of magnitude; starts anywhere in the cycle, and at its edges.
    for (int trial = 0; trial < 20000; ++trial) {
        const double increment = std::pow(10.0, -9.0 + 11.4 * unit(random));
        float start = static_cast<float>(256.0 * unit(random));
        if (trial % 7 == 0) start = std::nextafter(256.0f, 0.0f);
        if (trial % 11 == 0) start = 0.0f;
        if (trial % 13 == 0) start = std::ldexp(1.0f, -(trial % 140));
        const int32_t count = 1 + trial % 256;
        if (!agreesFrameByFrame(start, increment, count)) return;
    }
}

TEST(ChorusPhase, TiesInTheRoundingGoToTheEvenNeighbourAsFrameByFrame) {
    // Increments of an odd number of half steps of a binade's grid: every sum there lies
    // halfway between two phases a float can hold, so the rounding alternates.
    for (int exponent = -10; exponent <= 7; ++exponent) {
        const double halfStep = std::ldexp(1.0, exponent - 24);
        for (double halves : {1.0, 3.0, 5.0, 1001.0}) {
            // From a phase on an odd point of the grid the first tie goes up, later ones may
            // not.
            const float even = std::ldexp(1.0f, exponent);
            for (float start : {even, std::nextafter(even, 256.0f)})
                if (!agreesFrameByFrame(start, halves * halfStep, 256)) return;
        }
    }
    // And a sum that reaches the top of the cycle exactly, and one that rounds up to it.
    EXPECT_TRUE(agreesFrameByFrame(255.5f, 0.25, 40));
    EXPECT_TRUE(agreesFrameByFrame(std::nextafter(256.0f, 0.0f), 1e-6, 40));
}

TEST(ChorusPhase, StandingAndOddStartsMoveAsFrameByFrame) {
    EXPECT_TRUE(agreesFrameByFrame(100.0f, 0.0, 40));    // no usable rate: it stands
    EXPECT_TRUE(agreesFrameByFrame(-0.0f, 0.01, 40));    // the sign of a zero
    EXPECT_TRUE(agreesFrameByFrame(3.0f, 255.99, 256));  // close to a cycle per frame
}

}  // namespace
