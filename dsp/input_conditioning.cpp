// The input mode rewrites each frame of the host buffer in place; the conditioned frame is
// both the delay input and the dry signal.
#include <cstdint>

#include "dsp/conversions.h"
#include "dsp/stages.h"

namespace {
enum InputMode : uint8_t { kStereo = 0, kMono = 1, kInvertBoth = 2, kInvertLeft = 3 };
}  // namespace

void dsp::conditionInput(uint8_t inputMode, float* samples, int32_t begin, int32_t end) {
    float* const first = samples + 2 * begin;
    float* const last = samples + 2 * end;
    switch (inputMode) {
        case kStereo:
            break;
        case kMono:
            for (float* frame = first; frame != last; frame += 2) {
                const float mono = dsp::settledNaN(
                    static_cast<float>((double{frame[0]} + frame[1]) * 0.5), frame[0], frame[1]);
                frame[0] = mono;
                frame[1] = mono;
            }
            break;
        case kInvertBoth:
            for (float* frame = first; frame != last; frame += 2) {
                frame[0] = -frame[0];
                frame[1] = -frame[1];
            }
            break;
        case kInvertLeft:
            for (float* frame = first; frame != last; frame += 2) frame[0] = -frame[0];
            break;
        default:  // "Inverted R", and every value beyond it
            for (float* frame = first; frame != last; frame += 2) frame[1] = -frame[1];
            break;
    }
}
