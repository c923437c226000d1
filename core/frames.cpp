#include "core/frames.h"

#include <algorithm>

namespace core {

size_t BufferSource::read(float* frames, size_t count) {
    const size_t n = std::min(count, frames_.size() / 2 - at_);
    std::copy_n(frames_.data() + at_ * 2, n * 2, frames);
    at_ += n;
    return n;
}

}  // namespace core
