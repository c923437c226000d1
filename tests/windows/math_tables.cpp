// Writes every value the machine takes from its sine, power of two and logarithm: the sine
// tables, the cutoff curve and the gain in decibels, each as the float the machine stores.
// The Linux and Windows builds must write the same bytes, whatever the x87 precision.
//
//   math_tables OUTPUT [--x87-single]
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "machine/constants.h"
#include "machine/portable_math.h"

int main(int argc, char** argv) {
    if (argc < 2 || (argc == 3 && std::strcmp(argv[2], "--x87-single") != 0) || argc > 3) {
        std::fprintf(stderr, "usage: math_tables OUTPUT [--x87-single]\n");
        return 2;
    }
#if defined(__i386__)
    if (argc == 3) {
        const uint16_t singlePrecision = 0x007f;  // as some hosts leave the x87 unit
        asm volatile("fldcw %0" : : "m"(singlePrecision));
    }
#endif
    std::vector<float> values;
    for (int i = 0; i < kSineTableSize; ++i)
        values.push_back(portable::sinAsFloat(i * (1.0 / kSineTableSize) * 2 * kPi));
    for (int j = 0; j < kLfoTableSize; ++j)
        values.push_back(portable::sinAsFloat(j * (1.0 / kLfoTableSize) * 2 * kPi));
    for (int v = 0; v <= 65535; ++v) {
        const float share = static_cast<float>(v / 65000.0);
        const float square = static_cast<float>(static_cast<double>(share) * share);
        values.push_back(static_cast<float>(portable::exp2(square)));
    }
    for (int v = 1; v <= 65535; ++v)
        values.push_back(static_cast<float>(20.0 * portable::log10(v / 100.0)));

    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr ||
        std::fwrite(values.data(), sizeof(float), values.size(), out) != values.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "math_tables: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("math tables: %zu values\n", values.size());
    return 0;
}
