#include "machine/portable_math.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace portable {

namespace {

// An unevaluated sum hi + lo with |lo| at most half an ulp of hi.
struct Dd {
    double hi, lo;
};

Dd twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

Dd quickTwoSum(double a, double b) {  // |a| >= |b|
    const double s = a + b;
    return {s, b - (s - a)};
}

// The exact product of two doubles, without a fused multiply-add.
Dd twoProduct(double a, double b) {
    constexpr double kSplitter = 134217729.0;  // 2^27 + 1
    const double p = a * b;
    const double ta = kSplitter * a, tb = kSplitter * b;
    const double ah = ta - (ta - a), al = a - ah;
    const double bh = tb - (tb - b), bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

Dd add(Dd a, Dd b) {
    Dd s = twoSum(a.hi, b.hi);
    const Dd t = twoSum(a.lo, b.lo);
    s = quickTwoSum(s.hi, s.lo + t.hi);
    return quickTwoSum(s.hi, s.lo + t.lo);
}

Dd negate(Dd a) { return {-a.hi, -a.lo}; }

Dd multiply(Dd a, Dd b) {
    const Dd p = twoProduct(a.hi, b.hi);
    return quickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

Dd divide(Dd a, Dd b) {
    const double q1 = a.hi / b.hi;
    Dd r = add(a, negate(multiply(b, {q1, 0.0})));
    const double q2 = r.hi / b.hi;
    r = add(r, negate(multiply(b, {q2, 0.0})));
    const double q3 = r.hi / b.hi;
    return add(quickTwoSum(q1, q2), {q3, 0.0});
}

Dd divide(Dd a, double b) { return divide(a, Dd{b, 0.0}); }

// Below this share of the sum a series term no longer matters.
constexpr double kNegligible = 0x1p-112;

// pi/2, ln 2 and ln 10 to about 160 bits, each the sum of three doubles.
constexpr double kHalfPi[3] = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54,
                               -0x1.f1976b7ed8fbcp-110};
constexpr Dd kLn2 = {0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};
constexpr Dd kLn10 = {0x1.26bb1bbb55516p+1, -0x1.f48ad494ea3e9p-53};

// sin r and cos r for |r| <= pi/4, by their Taylor series.
Dd sineSeries(Dd r) {
    const Dd r2 = multiply(r, r);
    Dd term = r, sum = r;
    for (int n = 1; n < 24 && std::fabs(term.hi) > kNegligible * std::fabs(sum.hi); ++n) {
        term = negate(divide(multiply(term, r2), static_cast<double>((2 * n) * (2 * n + 1))));
        sum = add(sum, term);
    }
    return sum;
}

Dd cosineSeries(Dd r) {
    const Dd r2 = multiply(r, r);
    Dd term = {1.0, 0.0}, sum = {1.0, 0.0};
    for (int n = 1; n < 24 && std::fabs(term.hi) > kNegligible; ++n) {
        term = negate(divide(multiply(term, r2), static_cast<double>((2 * n - 1) * (2 * n))));
        sum = add(sum, term);
    }
    return sum;
}

// Multiplies by 2^n exactly (as long as the result is a normal number).
double scale(double x, int64_t n) {
    for (; n > 0; --n) x *= 2.0;
    for (; n < 0; ++n) x *= 0.5;
    return x;
}

// The multiple k of pi/2 nearest to x; any near choice would do, the results do not
// depend on it.
double quadrantCount(double x) { return std::floor(x * 0x1.45f306dc9c883p-1 + 0.5); }

// x - k pi/2 to about 106 bits, formed from the exact products of k with the parts of pi/2,
// so that it keeps its accuracy however close x is to a multiple of pi/2.
Dd reduceAccurately(double x, double k) {
    const Dd k0 = twoProduct(k, kHalfPi[0]);
    Dd r = twoSum(x, -k0.hi);
    r = add(r, {-k0.lo, 0.0});
    r = add(r, negate(twoProduct(k, kHalfPi[1])));
    return add(r, {-(k * kHalfPi[2]), 0.0});
}

double sinAccurate(double x, double k) {
    const Dd r = reduceAccurately(x, k);
    const int quadrant = static_cast<int>(static_cast<int64_t>(k) & 3);
    const Dd value = quadrant % 2 == 0 ? sineSeries(r) : cosineSeries(r);
    const double result = value.hi + value.lo;
    return quadrant >= 2 ? -result : result;
}

// The same in plain double arithmetic. pi/2 is split into two 33-bit parts, whose products
// with k (below 2^20) are exact, and a 53-bit part: x - k p1 is exact, and r comes out within
// a relative 2^-52 and an absolute k 2^-118 of x - k pi/2. The series beyond its first term
// adds at most a tenth (sine) or a third (cosine) of the result, so the value is within a
// relative 2^-50 of the sine, plus that absolute error of r.
double sinQuick(double x, double k) {
    constexpr double kPart1 = 0x1.921fb54400000p+0;
    constexpr double kPart2 = 0x1.0b4611a600000p-34;
    constexpr double kPart3 = 0x1.3198a2e037073p-69;
    const double r = ((x - k * kPart1) - k * kPart2) - k * kPart3;
    const double r2 = r * r;
    const int quadrant = static_cast<int>(static_cast<int64_t>(k) & 3);
    double value;
    if (quadrant % 2 == 0) {
        // sin r = r - r^3 (1/3! - r^2/5! + ... - r^12/15!); the next term is below 2^-54 r.
        double p = -1.0 / 1307674368000.0;
        p = p * r2 + 1.0 / 6227020800.0;
        p = p * r2 - 1.0 / 39916800.0;
        p = p * r2 + 1.0 / 362880.0;
        p = p * r2 - 1.0 / 5040.0;
        p = p * r2 + 1.0 / 120.0;
        p = p * r2 - 1.0 / 6.0;
        value = r + r * r2 * p;
    } else {
        // cos r = 1 - r^2/2 + r^4 (1/4! - r^2/6! + ... + r^12/16!); the next below 2^-58.
        double p = 1.0 / 20922789888000.0;
        p = p * r2 - 1.0 / 87178291200.0;
        p = p * r2 + 1.0 / 479001600.0;
        p = p * r2 - 1.0 / 3628800.0;
        p = p * r2 + 1.0 / 40320.0;
        p = p * r2 - 1.0 / 720.0;
        p = p * r2 + 1.0 / 24.0;
        value = 1.0 + (r2 * r2 * p - 0.5 * r2);
    }
    return quadrant >= 2 ? -value : value;
}

}  // namespace

double sin(double x) {
    if (!std::isfinite(x)) return std::numeric_limits<double>::quiet_NaN();
    return sinAccurate(x, quadrantCount(x));
}

float sinAsFloat(double x) {
    if (!std::isfinite(x)) return std::numeric_limits<float>::quiet_NaN();
    const double k = quadrantCount(x);
    // Where every value within a generous bound of the error rounds to the same float, so
    // does the correctly rounded double; only a value near a rounding boundary (or an x very
    // near a multiple of pi/2) needs the accurate evaluation.
    const double quick = sinQuick(x, k);
    const double margin = std::fabs(quick) * 0x1p-46 + std::fabs(k) * 0x1p-110;
    const float low = static_cast<float>(quick - margin);
    const float high = static_cast<float>(quick + margin);
    if (low == high) return low;
    return static_cast<float>(sinAccurate(x, k));
}

double exp2(double e) {
    if (std::isnan(e)) return e;
    if (e > 1100.0) return std::numeric_limits<double>::infinity();
    if (e < -1100.0) return 0.0;
    // 2^e = 2^n * exp(f ln 2) with 0 <= f < 1; the difference e - n is exact.
    const double n = std::floor(e);
    const Dd t = multiply({e - n, 0.0}, kLn2);
    Dd term = {1.0, 0.0}, sum = {1.0, 0.0};
    for (int i = 1; i < 40 && term.hi > kNegligible; ++i) {
        term = divide(multiply(term, t), static_cast<double>(i));
        sum = add(sum, term);
    }
    return scale(sum.hi + sum.lo, static_cast<int64_t>(n));
}

double log10(double x) {
    if (std::isnan(x) || x < 0.0) return std::numeric_limits<double>::quiet_NaN();
    if (x == 0.0) return -std::numeric_limits<double>::infinity();
    if (std::isinf(x)) return x;
    // x = z * 2^m with sqrt(1/2) <= z < sqrt(2); ln z = 2 atanh((z - 1) / (z + 1)).
    constexpr double kRootTwo = 1.4142135623730951;
    double z = x;
    int64_t m = 0;
    for (; z >= kRootTwo; ++m) z *= 0.5;
    for (; z < kRootTwo * 0.5; --m) z *= 2.0;
    const Dd s = divide(twoSum(z, -1.0), twoSum(z, 1.0));
    const Dd s2 = multiply(s, s);
    Dd power = s, sum = s;
    for (int k = 1; k < 40 && std::fabs(power.hi) > kNegligible * std::fabs(sum.hi); ++k) {
        power = multiply(power, s2);
        sum = add(sum, divide(power, static_cast<double>(2 * k + 1)));
    }
    const Dd lnX = add(multiply({static_cast<double>(m), 0.0}, kLn2), add(sum, sum));
    const Dd result = divide(lnX, kLn10);
    return result.hi + result.lo;
}

}  // namespace portable
