// While the phase stays within one binade of single precision (between two powers of two),
// every frame's move is the same step: the phase lies on the binade's single-precision grid,
// which the double-precision grid there divides, so rounding the sum to either grid rounds
// the increment alone, the same way each time. Only a tie in the rounding to single
// precision breaks this, because a tie goes to the even neighbour and that depends on the
// phase; such a binade is taken frame by frame. So the phases of a run within a binade are
// its first phase plus whole steps, each exact in double precision, and need no chain.
#include "dsp/chorus_phase.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace dsp {

namespace {

constexpr int32_t kFloatMantissaBits = 23;
constexpr int32_t kFloatExponentBias = 127;

// A power of two as a double, for the exponents a float's binade can have.
double powerOfTwo(int32_t exponent) {
    constexpr int32_t kDoubleExponentBias = 1023;
    constexpr int32_t kDoubleMantissaBits = 52;
    return std::bit_cast<double>(uint64_t(exponent + kDoubleExponentBias) << kDoubleMantissaBits);
}

// How many frames from `phase` on move by the binade's common step, written to phases; 0 when
// the first move already leaves the binade, or the phase is not a positive normal float, or
// the binade's rounding has a tie.
int32_t runWithinBinade(float phase, double increment, double* phases, int32_t count,
                        double& step) {
    const uint32_t biased = std::bit_cast<uint32_t>(phase) >> kFloatMantissaBits;
    if (biased == 0 || biased >= 0xff) return 0;  // zero, subnormal, negative or not finite
    const int32_t exponent = static_cast<int32_t>(biased) - kFloatExponentBias;
    const double top = powerOfTwo(exponent + 1);
    const double grid = powerOfTwo(exponent - kFloatMantissaBits);

    const double start = phase;
    const double sum = start + increment;
    if (!(sum < top)) return 0;
    // The sum lies on the double grid; held in single precision it moves to the nearest point
    // of the coarser grid, and a sum exactly halfway between two is a tie.
    const double held = static_cast<float>(sum);
    if (std::fabs(held - sum) == 0.5 * grid) return 0;
    step = held - start;

    // The run ends at the first frame whose sum reaches the top. The sums grow with the frame,
    // so an estimate of that frame is corrected by stepping to where the test changes.
    const auto within = [&](int32_t m) { return start + m * step + increment < top; };
    const double estimate = step > 0.0 ? (top - increment - start) / step : count;
    int32_t run = static_cast<int32_t>(std::clamp(estimate, 1.0, double(count)));
    while (run > 1 && !within(run - 1)) --run;
    while (run < count && within(run)) ++run;
    for (int32_t m = 0; m < run; ++m) phases[m] = start + m * step;
    return run;
}

}  // namespace

float phasesThroughChunk(float phase, double increment, double* phases, int32_t count) {
    int32_t done = 0;
    while (done < count) {
        double step = 0.0;
        const int32_t run = runWithinBinade(phase, increment, phases + done, count - done, step);
        if (run == 0) {
            // A frame at a binade's edge, a wrap or a tie: the move itself.
            phases[done++] = phase;
            phase = nextPhase(phase, increment);
            continue;
        }
        // The phase after the run lies on the grid, at most at the binade's top; at the top of
        // the cycle that is the wrap.
        phase = wrappedPhase(static_cast<float>(phases[done + run - 1] + step));
        done += run;
    }
    return phase;
}

}  // namespace dsp
