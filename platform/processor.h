// What the processor the machine runs on offers, found out once at set-up.
#pragma once

namespace platform {

// Whether this processor (and its operating system) runs 256-bit vectors with fused
// multiply-add, for which the render's loops have a second form.
inline bool hasWideVectors() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

}  // namespace platform
