// Filter coefficients: cutoff and Q limits, the table index, the responses per type.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>

#include "control_support.h"

namespace {

constexpr double kTwoPi = 2 * 3.141592653589793;

// With Q = 1 the band-pass b0 is s / (1 + s), which gives back the sine the design used.
double designedSine(const mi& m) {
    const double b0 = m.filterCoefLeft[0];
    return b0 / (1.0 - b0);
}

double sineAtIndex(int k) { return std::sin(kTwoPi * k / 65536.0); }

void expectIndex(test::LocalMachine& m, float cutoff, int k) {
    m->resonanceCurrent = 1.0f;
    m->designFilter(cutoff, 3);
    EXPECT_NEAR(designedSine(*m) / sineAtIndex(k), 1.0, 2e-6) << cutoff << " Hz, index " << k;
}

bool sameCoefficients(const mi& a, const mi& b) {
    return std::equal(std::begin(a.filterCoefLeft), std::end(a.filterCoefLeft), b.filterCoefLeft) &&
           std::equal(std::begin(a.filterCoefRight), std::end(a.filterCoefRight),
                      b.filterCoefRight);
}

TEST(FilterDesign, CutoffIsClampedAndQuantisedToTheTable) {
    test::LocalMachine m(44100);
    expectIndex(m, 20.0f, 44);  // raised to 30 Hz: 44.58
    expectIndex(m, 30.0f, 44);
    expectIndex(m, 22050.0f, 32693);  // lowered to 22000 Hz: 32693.70
    expectIndex(m, 1000.0f, 1486);    // 1486.03: rounded down, not to nearest
    expectIndex(m, 6536.0f, 9713);    // 9712.99991 is 9713 once held in single precision
    test::LocalMachine fast(48000);
    expectIndex(fast, 22050.0f, 30037);
}

TEST(FilterDesign, CutoffsBeyondHalfTheRateAndMissingRatesStayAtHalfTheRate) {
    // At 44000 Hz the top cutoff lands exactly on half the rate: the reference.
    test::LocalMachine reference(44000);
    reference->designFilter(22000.0f, 1);
    EXPECT_TRUE(std::isfinite(reference->filterCoefLeft[0]));

    // The host lowered its rate after the cutoff was set, or reports no rate at all.
    for (int rate : {11025, 1, 0, -44100}) {
        test::LocalMachine m(44000);
        m.master.sampleRate = rate;
        m->designFilter(22000.0f, 1);
        EXPECT_TRUE(sameCoefficients(*reference, *m)) << rate;
    }
    // The sine is not negative there, so a0 stays at least 1.
    reference->designFilter(22000.0f, 3);
    EXPECT_GE(reference->filterCoefLeft[0], 0.0f);
}

TEST(FilterDesign, ResonanceBelowOneIsRaisedForEveryType) {
    for (int type : {0, 1, 6, 7}) {
        test::LocalMachine m;
        m->resonanceCurrent = 0.0f;
        m->designFilter(1000.0f, type);
        EXPECT_EQ(m->resonanceCurrent, 1.0f) << type;
    }
    test::LocalMachine m;
    m->resonanceCurrent = 50.0f;
    m->designFilter(1000.0f, 1);
    EXPECT_EQ(m->resonanceCurrent, 50.0f);
}

TEST(FilterDesign, NoFilterAndUnknownTypesLeaveTheCoefficients) {
    test::LocalMachine m;
    m->designFilter(1000.0f, 4);
    test::LocalMachine before;
    before->designFilter(1000.0f, 4);
    m->designFilter(5000.0f, 0);
    m->designFilter(5000.0f, 7);
    m->designFilter(5000.0f, -1);
    EXPECT_TRUE(sameCoefficients(*before, *m));
}

TEST(FilterDesign, ResponsesHaveTheirShape) {
    test::LocalMachine m;
    m->resonanceCurrent = 3.0f;
    m->designFilter(2500.0f, 1);
    const float* lp = m->filterCoefLeft;
    // Low-pass: unity gain at 0 Hz, b2 = b0, b1 = 2 b0.
    const double dc = (double(lp[0]) + lp[1] + lp[2]) / (1.0 - lp[3] - lp[4]);
    EXPECT_NEAR(dc, 1.0, 1e-5);
    EXPECT_EQ(lp[0], lp[2]);
    EXPECT_EQ(lp[1], 2.0f * lp[0]);

    m->designFilter(2500.0f, 2);
    const float* hp = m->filterCoefLeft;
    // High-pass: nothing at 0 Hz, unity gain at half the rate.
    EXPECT_NEAR(double(hp[0]) + hp[1] + hp[2], 0.0, 1e-6);
    const double nyquist = (double(hp[0]) - hp[1] + hp[2]) / (1.0 + hp[3] - hp[4]);
    EXPECT_NEAR(nyquist, 1.0, 1e-5);

    m->designFilter(2500.0f, 3);
    const float* bp = m->filterCoefLeft;
    EXPECT_EQ(bp[1], 0.0f);
    EXPECT_FALSE(std::signbit(bp[1]));
    EXPECT_EQ(bp[2], -bp[0]);

    m->designFilter(2500.0f, 4);
    const float* notch = m->filterCoefLeft;
    // Notch: unity at 0 Hz, and zero gain at the designed frequency.
    EXPECT_NEAR((double(notch[0]) + notch[1] + notch[2]) / (1.0 - notch[3] - notch[4]), 1.0, 1e-5);
    EXPECT_EQ(notch[0], notch[2]);

    // The cookbook low-pass with Q = resonance / 2, at the quantised frequency.
    m->designFilter(2500.0f, 1);
    const double w0 = kTwoPi * 3715 / 65536.0;  // 2500 / 44100 * 65536 = 3715.05
    const double alpha = std::sin(w0) / 3.0;
    const double a0 = 1 + alpha;
    EXPECT_NEAR(m->filterCoefLeft[0], (1 - std::cos(w0)) / 2 / a0, 1e-7);
    EXPECT_NEAR(m->filterCoefLeft[3], 2 * std::cos(w0) / a0, 1e-6);
    EXPECT_NEAR(m->filterCoefLeft[4], -(1 - alpha) / a0, 1e-6);
}

TEST(FilterDesign, SplitTypesFilterTheChannelsDifferently) {
    test::LocalMachine m, one, two;
    for (auto* x : {&m, &one, &two}) (*x)->resonanceCurrent = 2.0f;
    const auto designs = [&](int split, int leftType, int rightType) {
        m->designFilter(3000.0f, split);
        one->designFilter(3000.0f, leftType);
        two->designFilter(3000.0f, rightType);
        EXPECT_TRUE(std::equal(m->filterCoefLeft, m->filterCoefLeft + 5, one->filterCoefLeft));
        EXPECT_TRUE(std::equal(m->filterCoefRight, m->filterCoefRight + 5, two->filterCoefRight));
        EXPECT_NE(m->filterCoefLeft[0], m->filterCoefRight[0]);
        EXPECT_EQ(m->filterCoefLeft[3], m->filterCoefRight[3]);
        EXPECT_EQ(m->filterCoefLeft[4], m->filterCoefRight[4]);
    };
    designs(5, 1, 2);  // LP/HP
    designs(6, 3, 4);  // BP/BR
    // The plain types write both channels alike.
    m->designFilter(3000.0f, 2);
    EXPECT_TRUE(std::equal(m->filterCoefLeft, m->filterCoefLeft + 5, m->filterCoefRight));
}

}  // namespace
