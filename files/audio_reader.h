// Any file libsndfile reads, delivered as stereo frames in the host's scale: samples at ±1.0
// become ±32768 (a sample that is not finite, or not once scaled, silence), and a mono file
// feeds both channels. "-" reads standard input; a pipe is read as AudioInput says.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>

#include "core/frames.h"
#include "files/audio_input.h"

namespace files {

class AudioReader final : public core::FrameSource {
  public:
    // FileError when the file cannot be read, or its header is refused (checkInputHeader).
    explicit AudioReader(const std::string& path);
    ~AudioReader() override;
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    int32_t sampleRate() const { return info_.samplerate; }
    int channels() const { return info_.channels; }
    // Says on standard error when the input ends before the frames its header announced;
    // FileError when it ends before its first frame.
    size_t read(float* frames, size_t count) override;
    int64_t length() const override;

  private:
    int64_t announcedFrames() const;

    AudioInput input_;
    std::string name_;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
    int64_t announced_ = -1;  // frames the header announced; -1 when it does not say
    int64_t read_ = 0;
    bool ended_ = false;
};

}  // namespace files
