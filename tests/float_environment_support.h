// The caller's side of the floating-point environment: the rounding mode and flush bits a host
// may leave set when it calls the machine, and the control registers it must get back.
#pragma once

#include <cfenv>
#include <cstdint>
#include <string>

namespace test {

// x86: MXCSR in the low half and the x87 control word above it. aarch64: FPCR, and FPSR with
// the exception flags, which the machine gives back too.
struct FloatControl {
    uint64_t control = 0, status = 0;
    bool operator==(const FloatControl&) const = default;
};

inline FloatControl readFloatControl() {
    FloatControl c;
#if defined(__x86_64__) || defined(__i386__)
    uint32_t mxcsr;
    uint16_t x87;
    asm volatile("stmxcsr %0" : "=m"(mxcsr));
    asm volatile("fnstcw %0" : "=m"(x87));
    c.control = mxcsr | uint64_t{x87} << 32;
#elif defined(__aarch64__)
    asm volatile("mrs %0, fpcr" : "=r"(c.control));
    asm volatile("mrs %0, fpsr" : "=r"(c.status));
#endif
    return c;
}

inline void writeFloatControl(const FloatControl& c) {
#if defined(__x86_64__) || defined(__i386__)
    const uint32_t mxcsr = static_cast<uint32_t>(c.control);
    const uint16_t x87 = static_cast<uint16_t>(c.control >> 32);
    asm volatile("ldmxcsr %0" : : "m"(mxcsr) : "memory");
    asm volatile("fldcw %0" : : "m"(x87) : "memory");
#elif defined(__aarch64__)
    asm volatile("msr fpcr, %0" : : "r"(c.control) : "memory");
    asm volatile("msr fpsr, %0" : : "r"(c.status) : "memory");
#endif
}

// The bits a host may set to flush subnormals or to change how they and NaN are handled, as far
// as this processor keeps them: x86 FTZ and DAZ; aarch64 FZ, DN, FZ16 and, where the processor
// has them, AH, FIZ and NEP.
inline uint64_t callerFlushBits() {
#if defined(__x86_64__) || defined(__i386__)
    return 0x8040;
#elif defined(__aarch64__)
    const FloatControl saved = readFloatControl();
    FloatControl wanted = saved;
    wanted.control |= uint64_t{1} << 24 | uint64_t{1} << 25 | uint64_t{1} << 19 | 0x7;
    writeFloatControl(wanted);
    const uint64_t kept = readFloatControl().control & ~saved.control;
    writeFloatControl(saved);
    return kept;
#else
    return 0;
#endif
}

inline constexpr int kRoundingModes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};

inline std::string roundingName(int mode) {
    switch (mode) {
        case FE_TONEAREST:
            return "to nearest";
        case FE_UPWARD:
            return "upward";
        case FE_DOWNWARD:
            return "downward";
        default:
            return "toward zero";
    }
}

// The environment a host leaves set, for the scope: one rounding mode (in every unit the C
// library sets) and, when asked, the flush bits. The test's own is back afterwards.
class CallerEnvironment {
  public:
    CallerEnvironment(int rounding, bool flush) : saved_(readFloatControl()) {
        std::fesetround(rounding);
        if (flush) {
            FloatControl c = readFloatControl();
            c.control |= callerFlushBits();
            writeFloatControl(c);
        }
    }
    ~CallerEnvironment() { writeFloatControl(saved_); }
    CallerEnvironment(const CallerEnvironment&) = delete;
    CallerEnvironment& operator=(const CallerEnvironment&) = delete;

  private:
    FloatControl saved_;
};

}  // namespace test
