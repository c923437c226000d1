// Any file libsndfile reads, delivered as stereo frames in the host's scale: samples at ±1.0
// become ±32768 (a sample that is not finite, or not once scaled, silence), and a mono file
// feeds both channels. "-" reads standard input.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>

#include "core/frames.h"

namespace files {

// The sample rates the machine is made for; a file outside them is refused before anything is
// rendered (its header may be hostile: a rate of 1 GHz would ask for hours of tail).
inline constexpr int32_t kLowestSampleRate = 1;
inline constexpr int32_t kHighestSampleRate = 768000;

class AudioReader final : public core::FrameSource {
  public:
    // FileError when the file cannot be read, has more than two channels or a sample rate
    // outside kLowestSampleRate..kHighestSampleRate.
    explicit AudioReader(const std::string& path);
    ~AudioReader() override;
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    int32_t sampleRate() const { return info_.samplerate; }
    int channels() const { return info_.channels; }
    // Says on standard error when the input ends before the frames its header announced.
    size_t read(float* frames, size_t count) override;
    int64_t length() const override;

  private:
    int64_t announcedFrames() const;

    std::string name_;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
    int64_t announced_ = -1;  // frames the header announced; -1 when it does not say
    int64_t read_ = 0;
    bool ended_ = false;
};

}  // namespace files
