// Biquad coefficients for the wet filter, from the machine's sine table.
#include <cstdint>

#include "machine/machine.h"

namespace {

enum class Response { None, LowPass, HighPass, BandPass, Notch };

// What each filter type runs on the left and on the right; the split types differ.
constexpr Response kLeftResponse[] = {Response::None,     Response::LowPass, Response::HighPass,
                                      Response::BandPass, Response::Notch,   Response::LowPass,
                                      Response::BandPass};
constexpr Response kRightResponse[] = {Response::None,     Response::LowPass, Response::HighPass,
                                       Response::BandPass, Response::Notch,   Response::HighPass,
                                       Response::Notch};
constexpr int32_t kFilterTypeCount = sizeof(kLeftResponse) / sizeof(kLeftResponse[0]);

struct Shared {
    double cosine;
    float alpha, a0, fb1, fb2;
};

// Writes b0, b1, b2 (each numerator held in single precision, then divided by a0) and the
// feedback pair, which every response shares.
void writeCoefficients(float* coef, Response response, const Shared& d) {
    float n0 = 1.0f, n1 = 0.0f, n2 = 1.0f;
    switch (response) {
        case Response::LowPass:
            n0 = n2 = static_cast<float>(0.5 * (1.0 - d.cosine));
            n1 = static_cast<float>(1.0 - d.cosine);
            break;
        case Response::HighPass:
            n0 = n2 = static_cast<float>(0.5 * (1.0 + d.cosine));
            n1 = static_cast<float>(-(1.0 + d.cosine));
            break;
        case Response::BandPass:
            n0 = d.alpha;
            n1 = 0.0f;
            n2 = -d.alpha;
            break;
        case Response::Notch:
            n0 = n2 = 1.0f;
            n1 = static_cast<float>(-2.0 * d.cosine);
            break;
        case Response::None:
            return;
    }
    coef[0] = static_cast<float>(static_cast<double>(n0) / d.a0);
    coef[1] = static_cast<float>(static_cast<double>(n1) / d.a0);
    coef[2] = static_cast<float>(static_cast<double>(n2) / d.a0);
    coef[3] = d.fb1;
    coef[4] = d.fb2;
}

}  // namespace

void mi::designFilter(float cutoffHz, int32_t type) {
    // The resonance is the Q; below 1 it is raised in place, whatever the type.
    if (!(resonanceCurrent >= 1.0f)) resonanceCurrent = 1.0f;
    if (type < 1 || type >= kFilterTypeCount) return;

    double cutoff = cutoffHz;
    if (!(cutoff >= kCutoffMin)) cutoff = kCutoffMin;
    if (cutoff > kCutoffMax) cutoff = kCutoffMax;

    // Table index of the cutoff, the product held in single precision and truncated. A cutoff
    // beyond half the current rate (the host lowered its rate after the cutoff was set) and a
    // rate that is no rate at all are both met at half the rate, where the sine is still >= 0.
    int32_t index = kSineHalf;
    const int32_t rate = masterInfo->sampleRate;
    if (rate > 0) {
        const float position = static_cast<float>(cutoff / rate * kSineTableSize);
        if (position < kSineHalf) index = static_cast<int32_t>(position);
    }

    Shared d;
    const double sine = sineTable[index];
    d.cosine = sineTable[(index + kSineQuarter) % kSineTableSize];
    d.alpha = static_cast<float>(sine / resonanceCurrent);
    d.a0 = static_cast<float>(1.0 + d.alpha);
    d.fb1 = static_cast<float>(2.0 * d.cosine / d.a0);
    const float oneMinusAlpha = static_cast<float>(1.0 - d.alpha);
    d.fb2 = static_cast<float>(-static_cast<double>(oneMinusAlpha) / d.a0);

    writeCoefficients(filterCoefLeft, kLeftResponse[type], d);
    writeCoefficients(filterCoefRight, kRightResponse[type], d);
}
