// Magnitude responses of stretches of an impulse response, on a logarithmic frequency axis.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

namespace plot {

// In place; the size is a power of two.
void fft(std::vector<std::complex<double>>& data);

// Log-spaced frequencies from `lowest` up to half the sample rate.
std::vector<double> logFrequencies(double lowest, int32_t sampleRate, int count);

struct Response {
    // Per frequency, in dB relative to the impulse: the level at the nearest bin, and the
    // lowest and highest levels of the bins between the frequency's neighbours (the band a
    // comb's teeth fill when a whole tail is analysed).
    std::vector<double> level, lowest, highest;
};

// The spectrum of `samples` (zero-padded to at least `minimumSize`) at `frequencies`; each
// frequency's band reaches at least `bandHz` either side.
Response magnitudeResponse(const std::vector<float>& samples, int32_t sampleRate,
                           const std::vector<double>& frequencies, double bandHz = 0.0,
                           size_t minimumSize = 65536);

}  // namespace plot
