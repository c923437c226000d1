// Decaying loops and filter histories end up in subnormal numbers, which cost some processors
// a hundred times the work of a normal number. The render flushes them to zero for its own
// duration, rounds to nearest whatever rounding the host left set (so every host hears the
// same bits), and gives the caller back its floating-point state.
#pragma once

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64) || \
    (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#include <xmmintrin.h>
#define TARVO_HAS_MXCSR 1
#endif

namespace dsp {

#ifdef TARVO_HAS_MXCSR
inline constexpr unsigned kFlushToZero = 0x8000;       // results that would be subnormal are 0
inline constexpr unsigned kDenormalsAreZero = 0x0040;  // subnormal operands are read as 0
inline constexpr unsigned kRoundingControl = 0x6000;   // 00 there is round to nearest

class FlushDenormals {
  public:
    FlushDenormals() : saved_(_mm_getcsr()) {
        _mm_setcsr((saved_ & ~kRoundingControl) | kFlushToZero | kDenormalsAreZero);
    }
    ~FlushDenormals() { _mm_setcsr(saved_); }
    FlushDenormals(const FlushDenormals&) = delete;
    FlushDenormals& operator=(const FlushDenormals&) = delete;

  private:
    unsigned saved_;
};
#else
// Other processors keep their own setting.
class FlushDenormals {
  public:
    FlushDenormals() = default;
    FlushDenormals(const FlushDenormals&) = delete;
    FlushDenormals& operator=(const FlushDenormals&) = delete;
};
#endif

}  // namespace dsp
