// Streams of interleaved stereo frames in the host's scale (full scale ±32768), which is
// what a machine renders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace core {

class FrameSource {
  public:
    virtual ~FrameSource() = default;
    // Fills up to `count` frames; fewer only when the stream ends.
    virtual size_t read(float* frames, size_t count) = 0;
    // Frames in the whole stream, or -1 when unknown.
    virtual int64_t length() const = 0;
};

class FrameSink {
  public:
    virtual ~FrameSink() = default;
    virtual void write(const float* frames, size_t count) = 0;
};

// A source over frames held in memory.
class BufferSource final : public FrameSource {
  public:
    explicit BufferSource(const std::vector<float>& frames) : frames_(frames) {}
    size_t read(float* frames, size_t count) override;
    int64_t length() const override { return static_cast<int64_t>(frames_.size() / 2); }

  private:
    const std::vector<float>& frames_;
    size_t at_ = 0;  // next frame
};

}  // namespace core
