// The floating-point environment every operation the host calls runs in, whatever the host
// left set: round to nearest, no exception traps, no alternative handling, and subnormal
// numbers flushed to zero while the render runs (decaying loops and filter histories end up in
// them, and they cost some processors a hundred times the work of a normal number). So every
// host hears and reads the same bits. The guard sets it for its own lifetime and then gives
// the caller back its control and status registers exactly as they were.
//
// The machine's own code is built for SSE arithmetic on x86, but the C library's formatting
// takes its rounding from the x87 control word (and on 32-bit Windows computes with the x87
// stack), so that word is set too.
//
// The guard orders itself against memory accesses only; an entry point that computes from its
// arguments alone does so in a routine of its own that is not inlined into it.
#pragma once

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#define TARVO_FLOAT_ENVIRONMENT_X86 1
#elif defined(__aarch64__)
#define TARVO_FLOAT_ENVIRONMENT_AARCH64 1
#else
#include <cfenv>
#endif

class FloatEnvironment {
  public:
    enum Subnormals { kKeepSubnormals, kFlushSubnormals };
    // Whether kFlushSubnormals makes subnormal results and operands zero, as it does on the
    // x86 and aarch64 processors; elsewhere it leaves them.
#if defined(TARVO_FLOAT_ENVIRONMENT_X86) || defined(TARVO_FLOAT_ENVIRONMENT_AARCH64)
    static constexpr bool kFlushes = true;
#else
    static constexpr bool kFlushes = false;
#endif

#if defined(TARVO_FLOAT_ENVIRONMENT_X86)
    // MXCSR: every exception masked, round to nearest; results that would be subnormal become
    // 0 (FTZ) and subnormal operands are read as 0 (DAZ) when flushing. The exception flags stay
    // as the caller left them (the machine never reads them, and the caller gets its own back
    // in any case): a processor may stall for tens of nanoseconds on the next read of the
    // register when two loads of it in a row differ in their flags, which with cleared flags
    // they would at every call from a caller that has raised any.
    static constexpr uint32_t kMxcsrMasked = 0x1f80;
    static constexpr uint32_t kMxcsrFlush = 0x8040;
    static constexpr uint32_t kMxcsrFlags = 0x003f;
    // x87 control word: every exception masked, round to nearest, with the precision the
    // system starts its programs with (double on Windows, extended elsewhere).
#if defined(_WIN32)
    static constexpr uint16_t kX87Control = 0x027f;
#else
    static constexpr uint16_t kX87Control = 0x037f;
#endif

    explicit FloatEnvironment(Subnormals subnormals) {
        asm volatile("stmxcsr %0" : "=m"(savedMxcsr_));
        asm volatile("fnstcw %0" : "=m"(savedX87_));
        const uint32_t mxcsr = kMxcsrMasked | (subnormals == kFlushSubnormals ? kMxcsrFlush : 0u) |
                               (savedMxcsr_ & kMxcsrFlags);
        asm volatile("ldmxcsr %0" : : "m"(mxcsr) : "memory");
        if (savedX87_ != kX87Control) asm volatile("fldcw %0" : : "m"(kX87Control) : "memory");
    }
    ~FloatEnvironment() {
        asm volatile("ldmxcsr %0" : : "m"(savedMxcsr_) : "memory");
        if (savedX87_ != kX87Control) asm volatile("fldcw %0" : : "m"(savedX87_) : "memory");
    }

  private:
    uint32_t savedMxcsr_;  // its exception flags too: the caller gets its own back
    uint16_t savedX87_;
#elif defined(TARVO_FLOAT_ENVIRONMENT_AARCH64)
    // FPCR: every field 0 (round to nearest, no traps, NaN operands propagated rather than
    // replaced by the default NaN (DN), no alternative handling (AH, FIZ, NEP), no half-precision
    // flushing) but FZ when flushing, which flushes subnormal operands and results alike.
    static constexpr uint64_t kFpcrFlush = uint64_t{1} << 24;

    explicit FloatEnvironment(Subnormals subnormals) {
        asm volatile("mrs %0, fpcr" : "=r"(savedFpcr_));
        asm volatile("mrs %0, fpsr" : "=r"(savedFpsr_));
        const uint64_t fpcr = subnormals == kFlushSubnormals ? kFpcrFlush : 0u;
        if (savedFpcr_ != fpcr) asm volatile("msr fpcr, %0" : : "r"(fpcr) : "memory");
        entered_ = fpcr;
    }
    ~FloatEnvironment() {
        if (savedFpcr_ != entered_) asm volatile("msr fpcr, %0" : : "r"(savedFpcr_) : "memory");
        asm volatile("msr fpsr, %0" : : "r"(savedFpsr_) : "memory");
    }

  private:
    uint64_t savedFpcr_, savedFpsr_, entered_;
#else
    // Elsewhere through the C library: round to nearest, the rest as the caller left it.
    explicit FloatEnvironment(Subnormals) {
        std::fegetenv(&saved_);
        std::fesetround(FE_TONEAREST);
    }
    ~FloatEnvironment() { std::fesetenv(&saved_); }

  private:
    std::fenv_t saved_;
#endif

  public:
    FloatEnvironment(const FloatEnvironment&) = delete;
    FloatEnvironment& operator=(const FloatEnvironment&) = delete;
};
