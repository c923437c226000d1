// Loops built twice: for every processor of the family, and for those with 256-bit vectors
// and fused multiply-add, chosen once when the machine is set up. Both forms do the same
// operations in the same order on the same values, so they give the same bits; the wide one
// runs more frames at a time. Set-up records in the machine's wideVectors whether the
// processor runs the wide form (platform/processor.h).
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#define TARVO_HAS_WIDE_VECTORS 1
#define TARVO_WIDE __attribute__((target("avx2,fma")))
#else
#define TARVO_HAS_WIDE_VECTORS 0
#define TARVO_WIDE
#endif

// A loop body meant to be compiled into either form: always inlined into its caller.
#define TARVO_INLINE_LOOP __attribute__((always_inline))

// Before a loop whose pointers never reach each other's memory, as their restricted parameters
// say. GCC loses the restriction where it inlines the loop and checks the pointers at run time
// instead, which it gives up on past ten pairs; clang keeps it.
#if defined(__clang__)
#define TARVO_SEPARATE_BUFFERS
#else
#define TARVO_SEPARATE_BUFFERS _Pragma("GCC ivdep")
#endif

namespace platform {

// The loop, inlined into a function compiled for the wide vectors.
template <typename Loop>
TARVO_WIDE void runWide(Loop& loop) {
    loop();
}

// Runs the loop (a lambda marked TARVO_INLINE_LOOP) in the wide form when `wide` is set.
template <typename Loop>
inline void runLoop([[maybe_unused]] bool wide, Loop&& loop) {
#if TARVO_HAS_WIDE_VECTORS
    if (wide) {
        runWide(loop);
        return;
    }
#endif
    loop();
}

}  // namespace platform
