// Writes the machine's stereo frames to a sound file: host scale ±32768 becomes ±1.0. PCM
// samples are rounded and limited here, so that clipped samples can be counted.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cli/frames.h"
#include "cli/output_format.h"

namespace cli {

class AudioWriter final : public FrameSink {
public:
    // Writes into the open descriptor `fd` (not closed here); `name` is for messages.
    AudioWriter(int fd, const std::string& name, const OutputFormat& format, int32_t sampleRate);
    ~AudioWriter() override;
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    void write(const float* frames, size_t count) override;
    // Completes the file's headers; RuntimeError when that fails.
    void finish();
    int64_t clippedSamples() const { return clipped_; }

private:
    void check(sf_count_t written, size_t count);

    std::string name_;
    OutputFormat format_;
    SNDFILE* file_ = nullptr;
    std::vector<float> floats_;
    std::vector<int> integers_;
    int64_t clipped_ = 0;
};

}  // namespace cli
