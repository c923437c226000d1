// Writes the machine's stereo frames to a sound file: host scale ±32768 becomes ±1.0. PCM
// samples are rounded and limited here, so that clipped samples can be counted.
//
// A WAV file is written as RF64 that libsndfile turns back into plain WAV when it stays below
// 4 GiB, so that any length reads back whole. Containers whose sizes end at 4 GiB (AIFF, AU)
// fail before they pass it. A new file is read back before it replaces anything: it must hold
// every frame written. Into a pipe or device, where nothing can be rewritten, WAV gets a header
// that leaves its length open (as other tools write to pipes), AU, Ogg and raw stream as they
// are, and the formats written by seeking back into the file (FLAC, AIFF, CAF, Wave64) are
// written whole into an unnamed temporary file, read back, and copied into the pipe.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/frames.h"
#include "files/output_format.h"
#include "files/safe_output.h"
#include "files/spool_file.h"

namespace files {

class AudioWriter final : public core::FrameSink {
  public:
    // FileError when the output cannot take this format.
    AudioWriter(SafeOutput& output, const OutputFormat& format, int32_t sampleRate);
    ~AudioWriter() override;
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    void write(const float* frames, size_t count) override;
    // Completes the file's headers and reads a new file back; FileError when either fails.
    void finish();
    int64_t clippedSamples() const { return clipped_; }

  private:
    void check(sf_count_t written, size_t count);
    void writeStreamHeader(int32_t sampleRate);
    void readBack(int written);
    void copySpool();

    SafeOutput& output_;
    std::string name_;
    OutputFormat format_;
    std::optional<SpoolFile> spool_;  // the whole file, before it goes into a pipe
    SNDFILE* file_ = nullptr;
    std::vector<float> floats_;
    std::vector<int> integers_;
    int64_t clipped_ = 0;
    int64_t frames_ = 0;
    int64_t bytesPerFrame_ = 0;
    long long largestData_ = -1;  // bytes of audio the container holds; -1: no limit
};

}  // namespace files
