// The sine table and the five oscillator tables, computed once per machine.
#include <cstdint>

#include "machine/machine.h"
#include "machine/portable_math.h"

namespace {
// The random table must hold the same values on every platform, so the generator is our own:
// the classic 32-bit linear congruential generator, seeded with 0 at every set-up.
struct RandomGenerator {
    uint32_t state = 0;
    int draw() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 32767u);
    }
};
}  // namespace

void mi::fillLookupTables() {
    for (int i = 0; i < kSineTableSize; ++i)
        sineTable[i] = portable::sinAsFloat(i * (1.0 / kSineTableSize) * 2 * kPi);

    RandomGenerator generator;
    for (int j = 0; j < kLfoTableSize; ++j) {
        lfoSine[j] = portable::sinAsFloat(j * (1.0 / kLfoTableSize) * 2 * kPi);
        lfoSquare[j] = j < 128 ? 1.0f : -1.0f;
        lfoDoubleSaw[j] = static_cast<float>(j < 128 ? j / 128.0 : -((j - 128) / 128.0));
        lfoRandom[j] = static_cast<float>(2.0 * generator.draw() / 32767.0 - 1.0);
    }
    for (int k = 0; k < 64; ++k) {
        lfoTriangle[k] = static_cast<float>(k / 64.0);
        lfoTriangle[64 + k] = static_cast<float>(1.0 - k / 64.0);
        lfoTriangle[128 + k] = static_cast<float>(-(k / 64.0));
        lfoTriangle[192 + k] = static_cast<float>(-(1.0 - k / 64.0));
    }
}
