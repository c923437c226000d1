// The machine's own sine, power of two and logarithm must give, on every argument the machine
// uses, the single-precision values this platform's library gives (so the Linux results stay
// as they are), and must stay correct where a platform library is weakest.
#include "machine/portable_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "machine/constants.h"

namespace {

TEST(PortableMath, SineTablesMatchThePlatformLibraryInEveryEntry) {
    int differing = 0;
    const auto compare = [&](double x) {
        const float expected = static_cast<float>(std::sin(x));
        const float accurate = static_cast<float>(portable::sin(x));
        if (portable::sinAsFloat(x) != expected || accurate != expected) ++differing;
    };
    for (int i = 0; i < kSineTableSize; ++i) compare(i * (1.0 / kSineTableSize) * 2 * kPi);
    for (int j = 0; j < kLfoTableSize; ++j) compare(j * (1.0 / kLfoTableSize) * 2 * kPi);
    EXPECT_EQ(differing, 0);

    // The sine of the double nearest pi is not 0, and a reduction by a 66-bit pi gets it
    // wrong in the fifth digit.
    EXPECT_EQ(portable::sin(kPi), 1.2246467991473532e-16);
    EXPECT_EQ(portable::sinAsFloat(kPi), 1.2246468525851679e-16f);
    EXPECT_EQ(portable::sin(0.0), 0.0);
    EXPECT_EQ(portable::sin(kPi / 2), 1.0);
}

TEST(PortableMath, SineStaysAccurateNextToMultiplesOfHalfPi) {
    // Where the argument nearly cancels against k pi/2 the quick evaluation must hand over to
    // the accurate one; both must then round to the same float as the platform's sine.
    int differing = 0;
    for (int k = -200000; k <= 200000; k += 7) {
        double x = k * (kPi / 2);
        for (int step = 0; step < 3; ++step, x = std::nextafter(x, 1e300)) {
            const float accurate = static_cast<float>(portable::sin(x));
            if (portable::sinAsFloat(x) != accurate || accurate != static_cast<float>(std::sin(x)))
                ++differing;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_TRUE(std::isnan(portable::sin(std::numeric_limits<double>::infinity())));
}

TEST(PortableMath, PowerOfTwoMatchesOnTheWholeCutoffCurve) {
    int differing = 0;
    for (int v = 0; v <= 65535; ++v) {
        const float share = static_cast<float>(v / 65000.0);
        const double square = static_cast<float>(static_cast<double>(share) * share);
        if (static_cast<float>(portable::exp2(square)) != static_cast<float>(std::pow(2.0, square)))
            ++differing;
    }
    EXPECT_EQ(differing, 0);
    for (int n = -40; n <= 40; ++n) EXPECT_EQ(portable::exp2(n), std::ldexp(1.0, n)) << n;
    EXPECT_EQ(portable::exp2(0.5), std::sqrt(2.0));  // both correctly rounded
    EXPECT_EQ(portable::exp2(-2000.0), 0.0);
    EXPECT_EQ(portable::exp2(2000.0), std::numeric_limits<double>::infinity());
}

TEST(PortableMath, LogarithmMatchesOnEveryGainValue) {
    int differing = 0;
    for (int v = 1; v <= 65535; ++v) {
        const double x = v / 100.0;
        if (static_cast<float>(20.0 * portable::log10(x)) !=
            static_cast<float>(20.0 * std::log10(x)))
            ++differing;
    }
    EXPECT_EQ(differing, 0);
    double power = 1.0;
    for (int n = 0; n <= 22; ++n, power *= 10.0) EXPECT_EQ(portable::log10(power), n) << n;
    EXPECT_EQ(portable::log10(0.0), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(portable::log10(-1.0)));
}

}  // namespace
