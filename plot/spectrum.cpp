// The FFT is a plain iterative radix-2 transform of our own: the tool analyses at most one
// impulse response of some seconds per run, where twenty lines need no package, no plan and
// no tuning, and give the same numbers on every machine.
#include "plot/spectrum.h"

#include <algorithm>
#include <cmath>

#include "plot/echo_table.h"

namespace plot {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kSilentDb = -400.0;  // the level of a bin that holds exactly nothing

double binDecibels(const std::complex<double>& bin) {
    const double magnitude = std::abs(bin);
    return magnitude > 0.0 ? decibels(magnitude) : kSilentDb;
}

}  // namespace

void fft(std::vector<std::complex<double>>& data) {
    const size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i) {  // bit-reversed order
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(data[i], data[j]);
    }
    // Every twiddle computed from its angle, not by repeated rotation: no error builds up.
    std::vector<std::complex<double>> twiddles(n / 2);
    for (size_t k = 0; k < n / 2; ++k)
        twiddles[k] = std::polar(1.0, -kTwoPi * static_cast<double>(k) / static_cast<double>(n));
    for (size_t length = 2; length <= n; length <<= 1) {
        const size_t half = length / 2, stride = n / length;
        for (size_t start = 0; start < n; start += length) {
            for (size_t k = 0; k < half; ++k) {
                const std::complex<double> odd = data[start + k + half] * twiddles[k * stride];
                data[start + k + half] = data[start + k] - odd;
                data[start + k] += odd;
            }
        }
    }
}

std::vector<double> logFrequencies(double lowest, int32_t sampleRate, int count) {
    std::vector<double> frequencies(static_cast<size_t>(count));
    const double highest = sampleRate / 2.0;
    for (int i = 0; i < count; ++i)
        frequencies[static_cast<size_t>(i)] =
            lowest * std::pow(highest / lowest, static_cast<double>(i) / (count - 1));
    return frequencies;
}

Response magnitudeResponse(const std::vector<float>& samples, int32_t sampleRate,
                           const std::vector<double>& frequencies, double bandHz,
                           size_t minimumSize) {
    size_t size = 1;
    while (size < std::max(minimumSize, samples.size())) size <<= 1;
    std::vector<std::complex<double>> bins(size);
    std::copy(samples.begin(), samples.end(), bins.begin());
    fft(bins);

    const double binsPerHz = static_cast<double>(size) / sampleRate;
    const auto binAt = [&](double hz) {
        return std::min(static_cast<size_t>(std::llround(hz * binsPerHz)), size / 2);
    };
    Response response;
    for (size_t i = 0; i < frequencies.size(); ++i) {
        const double f = frequencies[i];
        const double below =
            std::max(0.0, std::min(i > 0 ? std::sqrt(frequencies[i - 1] * f) : f, f - bandHz));
        const double above = std::max(
            i + 1 < frequencies.size() ? std::sqrt(frequencies[i + 1] * f) : f, f + bandHz);
        response.level.push_back(binDecibels(bins[binAt(f)]));
        double lowest = response.level.back(), highest = lowest;
        for (size_t k = binAt(below); k <= binAt(above); ++k) {
            lowest = std::min(lowest, binDecibels(bins[k]));
            highest = std::max(highest, binDecibels(bins[k]));
        }
        response.lowest.push_back(lowest);
        response.highest.push_back(highest);
    }
    return response;
}

}  // namespace plot
