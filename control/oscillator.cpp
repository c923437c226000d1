// Oscillator positions, reads and advance.
#include "control/oscillator.h"

#include <cmath>
#include <cstdint>

#include "machine/constants.h"

namespace {

// Single-precision rounding can land a position exactly on 256, one full cycle, which is
// position 0 again; anything else outside the cycle (only reachable from nonsense periods)
// restarts it too, so no read ever leaves the table.
float withinCycle(float position) {
    return position >= 0.0f && position < kLfoCycle ? position : 0.0f;
}
}  // namespace

float oscillatorPosition(float running, float offsetDegrees, float degreesToIndex) {
    const float offset = static_cast<float>(static_cast<double>(degreesToIndex) * offsetDegrees);
    float position = static_cast<float>(static_cast<double>(offset) + running);
    if (position >= kLfoCycle)
        position = static_cast<float>(static_cast<double>(position) - kLfoCycle);
    return withinCycle(position);
}

float readOscillator(const float* table, float position) {
    if (table == nullptr) return 0.0f;
    position = withinCycle(position);
    const int32_t i = static_cast<int32_t>(position);
    const double a = table[i];
    const double b = i + 1 < kLfoTableSize ? table[i + 1] : table[0];
    return static_cast<float>(a + (static_cast<double>(position) - i) * (b - a));
}

namespace {

float advanceBy(float position, double advance) {
    const double advanced = position + advance;
    // Just below a cycle the rounding can store 256 itself; the next advance wraps it as any
    // other, and a read takes it as position 0.
    if (advanced < kLfoCycle) return static_cast<float>(advanced);
    const double rounded = static_cast<float>(advanced);
    const double cycles = std::trunc(advanced / kLfoCycle);
    return withinCycle(static_cast<float>(rounded - kLfoCycle * cycles));
}

}  // namespace

float advanceOscillator(float position, float period, double advance) {
    // A period that is not a positive length (no tempo from the host) holds the oscillator.
    if (!(period > 0.0f)) return withinCycle(position);
    return advanceBy(position, advance);
}
