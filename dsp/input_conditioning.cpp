// The input mode rewrites each frame of the block's input; the conditioned frame is both the
// delay input and the dry signal. The host's interleaved frames are rewritten in place; separate
// channels are read through unitToHost into the render's interleaved frames, so that no later
// stage needs to know where the block came from.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "dsp/conversions.h"
#include "dsp/stages.h"
#include "host/sample_scale.h"
#include "platform/wide_vectors.h"

namespace {

enum InputMode : uint8_t { kStereo = 0, kMono = 1, kInvertBoth = 2, kInvertLeft = 3 };

// The frames a conditioning loop reads and writes, each pointer the only way to its memory.
struct InPlace {
    float* __restrict frames;
};
struct FromChannels {
    const float* __restrict left;
    const float* __restrict right;
    float* __restrict frames;
    float* __restrict conditionedLeft;
    float* __restrict conditionedRight;
};

template <typename Rule>
TARVO_INLINE_LOOP inline void conditionFrames(InPlace block, int32_t begin, int32_t end,
                                              Rule rule) {
    for (ptrdiff_t j = begin; j < end; ++j) rule(block.frames[2 * j], block.frames[2 * j + 1]);
}

template <typename Rule, typename Scale>
TARVO_INLINE_LOOP inline void conditionFrames(FromChannels block, int32_t begin, int32_t end,
                                              Rule rule, Scale scale) {
    for (ptrdiff_t j = begin; j < end; ++j) {
        float left = scale(block.left[j]), right = scale(block.right[j]);
        rule(left, right);
        block.frames[2 * j] = left;
        block.frames[2 * j + 1] = right;
        block.conditionedLeft[j] = left;
        block.conditionedRight[j] = right;
    }
}

// The channels come in by the plain product, which gives unitToHost's bits for every sample
// but a subnormal one, which the render reads as zero; the few blocks that hold one (no host
// sends them) come in again through unitToHost itself.
template <typename Rule>
TARVO_INLINE_LOOP inline void conditionFrames(FromChannels block, int32_t begin, int32_t end,
                                              Rule rule) {
    uint32_t least = ~0u;
    conditionFrames(block, begin, end, rule, [&](float sample) TARVO_INLINE_LOOP {
        least = std::min(least, subnormalKey(sample));
        return unitToHostUnlessSubnormal(sample);
    });
    if (least < kSubnormalKeys)
        conditionFrames(block, begin, end, rule,
                        [](float sample) TARVO_INLINE_LOOP { return unitToHost(sample); });
}

// A frame already in place needs nothing in "Stereo"; every other case runs the mode's rule.
template <typename Frames>
void condition(uint8_t inputMode, bool wide, Frames block, int32_t begin, int32_t end) {
    constexpr bool kInPlace = std::is_same_v<Frames, InPlace>;
    if (kInPlace && inputMode == kStereo) return;
    platform::runLoop(wide, [&]() TARVO_INLINE_LOOP {
        switch (inputMode) {
            case kStereo:
                return conditionFrames(block, begin, end, [](float&, float&) TARVO_INLINE_LOOP {});
            case kMono:
                return conditionFrames(block, begin, end, [](float& l, float& r) TARVO_INLINE_LOOP {
                    const float mono =
                        dsp::settledNaN(static_cast<float>((double{l} + r) * 0.5), l, r);
                    l = mono;
                    r = mono;
                });
            case kInvertBoth:
                return conditionFrames(block, begin, end, [](float& l, float& r) TARVO_INLINE_LOOP {
                    l = -l;
                    r = -r;
                });
            case kInvertLeft:
                return conditionFrames(block, begin, end,
                                       [](float& l, float&) TARVO_INLINE_LOOP { l = -l; });
            default:  // "Inverted R", and every value beyond it
                return conditionFrames(block, begin, end,
                                       [](float&, float& r) TARVO_INLINE_LOOP { r = -r; });
        }
    });
}

}  // namespace

void dsp::conditionInput(uint8_t inputMode, bool wide, HostFrames block, int32_t begin,
                         int32_t end) {
    condition(inputMode, wide, InPlace{block.frames}, begin, end);
}

void dsp::conditionInput(uint8_t inputMode, bool wide, const UnitChannels& block, int32_t begin,
                         int32_t end) {
    condition(inputMode, wide,
              FromChannels{block.inLeft, block.inRight, block.frames, block.left, block.right},
              begin, end);
}
