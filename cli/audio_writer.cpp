#include "cli/audio_writer.h"

#include <cmath>

#include "cli/cli_error.h"
#include "host/sample_scale.h"
#include "machine/constants.h"

namespace cli {

AudioWriter::AudioWriter(int fd, const std::string& name, const OutputFormat& format,
                         int32_t sampleRate)
    : name_(name), format_(format) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = format.sndfileFormat;
    file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
    if (file_ == nullptr)
        throw RuntimeError("cannot write '" + name + "': " + sf_strerror(nullptr));
}

AudioWriter::~AudioWriter() {
    if (file_ != nullptr) sf_close(file_);
}

void AudioWriter::check(sf_count_t written, size_t count) {
    if (written != static_cast<sf_count_t>(count))
        throw RuntimeError("cannot write '" + name_ + "': " + sf_strerror(file_));
}

void AudioWriter::write(const float* frames, size_t count) {
    const size_t samples = count * 2;
    if (format_.pcmBits == 0) {
        if (floats_.size() < samples) floats_.resize(samples);
        for (size_t i = 0; i < samples; ++i) floats_[i] = hostToUnit(frames[i]);
        check(sf_writef_float(file_, floats_.data(), static_cast<sf_count_t>(count)), count);
        return;
    }
    // libsndfile takes PCM as the top bits of a 32-bit integer.
    if (integers_.size() < samples) integers_.resize(samples);
    const int shift = 32 - format_.pcmBits;
    const double scale = std::ldexp(1.0, format_.pcmBits - 16);  // host units per PCM step
    const double top = std::ldexp(1.0, format_.pcmBits - 1) - 1.0;
    const double bottom = -std::ldexp(1.0, format_.pcmBits - 1);
    int64_t clipped = 0;
    for (size_t i = 0; i < samples; ++i) {
        double value = std::nearbyint(static_cast<double>(frames[i]) * scale);
        if (!(value <= top)) {  // also catches NaN
            value = std::isnan(value) ? 0.0 : top;
            ++clipped;
        } else if (value < bottom) {
            value = bottom;
            ++clipped;
        }
        integers_[i] = static_cast<int>(static_cast<int64_t>(value) * (int64_t{1} << shift));
    }
    clipped_ += clipped;
    check(sf_writef_int(file_, integers_.data(), static_cast<sf_count_t>(count)), count);
}

void AudioWriter::finish() {
    const int error = sf_close(file_);
    file_ = nullptr;
    if (error != 0) throw RuntimeError("cannot write '" + name_ + "': " + sf_error_number(error));
}

}  // namespace cli
