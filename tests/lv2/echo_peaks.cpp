// Prints the distances, in frames, between successive echoes in the first channel of a
// recording: each echo is a stretch of samples above -120 dBFS, apart from the next by at least
// 1000 quieter frames, and is placed where it first reaches half its own peak (the echoes of
// one click are scaled copies of it, so those samples lie exactly one delay apart).
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: echo_peaks FILE\n");
        return 2;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(argv[1], SFM_READ, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "echo_peaks: cannot read %s: %s\n", argv[1], sf_strerror(nullptr));
        return 1;
    }
    std::vector<float> frames(static_cast<size_t>(info.frames) *
                              static_cast<size_t>(info.channels));
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);

    constexpr float kQuiet = 1e-6f;
    constexpr long kGap = 1000;
    const auto level = [&](long i) {
        return std::fabs(frames[static_cast<size_t>(i * info.channels)]);
    };
    long previous = -1, first = -1, lastLoud = -kGap - 1;
    // An echo is placed where it first reaches half its peak: the same sample in every scaled copy.
    const auto finish = [&] {
        if (first < 0) return;
        float peak = 0.0f;
        for (long i = first; i <= lastLoud; ++i) peak = std::max(peak, level(i));
        long at = first;
        while (level(at) < 0.5f * peak) ++at;
        if (previous >= 0) std::printf("%ld\n", at - previous);
        previous = at;
        first = -1;
    };
    for (long i = 0; i < info.frames; ++i) {
        if (level(i) < kQuiet) continue;
        if (i - lastLoud > kGap) {
            finish();
            first = i;
        }
        lastLoud = i;
    }
    finish();
    return 0;
}
