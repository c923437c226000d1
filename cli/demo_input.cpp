#include "cli/demo_input.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "host/conventions.h"
#include "machine/constants.h"

namespace cli {

namespace {

constexpr double kLengthSeconds = 4.0;
constexpr double kBeatSeconds = 60.0 / kDefaultTempo;
constexpr double kLevel = 0.45;         // of full scale, per hit
constexpr double kDecaySeconds = 0.09;  // of the tone
constexpr double kClickSeconds = 0.004;
constexpr double kRingSeconds = 0.7;  // a hit is silent after this

struct Hit {
    double beat;
    double frequency;  // Hz
    double pan;        // 0 left .. 1 right
};

// A short phrase in A minor, struck on the beat and between beats.
constexpr Hit kHits[] = {
    {0.0, 440.0, 0.3},
    {2.0, 523.25, 0.7},
    {3.5, 659.26, 0.5},
    {6.0, 392.0, 0.4},
};

// Partials of a struck bar: slightly stretched, quickly fading upper ones.
constexpr double kPartialRatio[] = {1.0, 2.76, 5.40};
constexpr double kPartialLevel[] = {1.0, 0.35, 0.12};

}  // namespace

std::vector<float> demoInput(int32_t sampleRate) {
    const auto frames = static_cast<size_t>(kLengthSeconds * sampleRate);
    std::vector<float> out(frames * 2, 0.0f);
    uint32_t noise = 0x2545F491u;  // fixed seed: the demo is the same every time
    for (const Hit& hit : kHits) {
        const auto start = static_cast<size_t>(hit.beat * kBeatSeconds * sampleRate);
        const auto length = static_cast<size_t>(kRingSeconds * sampleRate);
        const double left = std::cos(hit.pan * kPi / 2), right = std::sin(hit.pan * kPi / 2);
        for (size_t i = 0; i < length && start + i < frames; ++i) {
            const double t = static_cast<double>(i) / sampleRate;
            double tone = 0.0;
            for (size_t k = 0; k < std::size(kPartialRatio); ++k)
                tone += kPartialLevel[k] * std::exp(-t * (1.0 + 2.0 * k) / kDecaySeconds) *
                        std::sin(2.0 * kPi * hit.frequency * kPartialRatio[k] * t);
            noise = noise * 1664525u + 1013904223u;
            const double click =
                t < kClickSeconds ? (1.0 - t / kClickSeconds) * (noise / 4294967296.0 - 0.5) : 0;
            const double attack = std::min(1.0, t / 0.002);
            const double sample = kFullScale * kLevel * (attack * tone * 0.8 + click * 0.6);
            out[(start + i) * 2] += static_cast<float>(sample * left);
            out[(start + i) * 2 + 1] += static_cast<float>(sample * right);
        }
    }
    return out;
}

}  // namespace cli
