// Any file libsndfile reads, delivered as stereo frames in the host's scale: samples at ±1.0
// become ±32768, and a mono file feeds both channels.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>

#include "cli/frames.h"

namespace cli {

class AudioReader final : public FrameSource {
public:
    // RuntimeError when the file cannot be read or has more than two channels.
    explicit AudioReader(const std::string& path);
    ~AudioReader() override;
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    int32_t sampleRate() const { return info_.samplerate; }
    int channels() const { return info_.channels; }
    size_t read(float* frames, size_t count) override;
    int64_t length() const override;

private:
    std::string path_;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
};

}  // namespace cli
