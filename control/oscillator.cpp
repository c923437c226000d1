// Oscillator positions, reads and advance.
#include "control/oscillator.h"

#include <cmath>
#include <cstdint>

#include "machine/constants.h"

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

float wrappedAdvance(double advanced) {
    const double rounded = static_cast<float>(advanced);
    const double cycles = std::trunc(advanced / kLfoCycle);
    return withinCycle(static_cast<float>(rounded - kLfoCycle * cycles));
}
