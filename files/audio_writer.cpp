#include "files/audio_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include "files/file_error.h"
#include "files/file_size_limit.h"
#include "files/sndfile_messages.h"
#include "host/sample_scale.h"

namespace files {

namespace {

// What a 32-bit size field can count, less room for the headers around the audio.
constexpr long long kLargest32BitData = 0xFFFFFFFFLL - 65536;
constexpr uint32_t kOpenLength = 0xFFFFFFFFu;  // a WAV length not known when it is written
constexpr uint16_t kWavePcm = 1;
constexpr uint16_t kWaveFloat = 3;

void putLittle(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

AudioWriter::AudioWriter(SafeOutput& output, const OutputFormat& format, int32_t sampleRate)
    : output_(output), name_(output.name()), format_(format) {
    bytesPerFrame_ = 2 * (format.pcmBits > 0 ? format.pcmBits / 8 : 4);
    const int container = format.sndfileFormat & SF_FORMAT_TYPEMASK;
    const int subtype = format.sndfileFormat & SF_FORMAT_SUBMASK;
    if (format.sizes32) {
        largestData_ = kLargest32BitData;
        long long limit = 0;
        if (testKnob("size-limit", &limit)) largestData_ = limit;
    }

    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = format.sndfileFormat;
    const bool wave = container == SF_FORMAT_WAV || container == SF_FORMAT_RF64;
    if (!output.seekable()) {
        if (wave) {
            // The header first, then the samples as raw data after it.
            writeStreamHeader(sampleRate);
            info.format = SF_FORMAT_RAW | subtype | SF_ENDIAN_LITTLE;
        } else if (container != SF_FORMAT_OGG && container != SF_FORMAT_AU &&
                   container != SF_FORMAT_RAW) {
            // Written by seeking back (FLAC's stream info, AIFF's, CAF's and Wave64's sizes):
            // made whole in a temporary file first, then copied into the pipe.
            spool_.emplace("the " + format.containerName + " stream for '" + name_ + "'");
        }
    } else if (container == SF_FORMAT_WAV) {
        info.format = SF_FORMAT_RF64 | subtype;
    }
    if (container == SF_FORMAT_RAW) info.format |= SF_ENDIAN_LITTLE;
    file_ = sf_open_fd(spool_ ? spool_->fd() : output.fd(), SFM_WRITE, &info, SF_FALSE);
    if (file_ == nullptr) throw FileError("cannot write '" + name_ + "': " + openFailure());
    if (output.seekable() && container == SF_FORMAT_WAV)
        sf_command(file_, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
}

AudioWriter::~AudioWriter() {
    if (file_ != nullptr) sf_close(file_);
}

void AudioWriter::writeStreamHeader(int32_t sampleRate) {
    const bool isFloat = format_.pcmBits == 0;
    const uint32_t bytesPerFrame = static_cast<uint32_t>(bytesPerFrame_);
    std::string header = "RIFF";
    putLittle(header, kOpenLength, 4);
    header += "WAVEfmt ";
    putLittle(header, isFloat ? 18 : 16, 4);
    putLittle(header, isFloat ? kWaveFloat : kWavePcm, 2);
    putLittle(header, 2, 2);  // channels
    putLittle(header, static_cast<uint32_t>(sampleRate), 4);
    putLittle(header, static_cast<uint32_t>(sampleRate) * bytesPerFrame, 4);
    putLittle(header, bytesPerFrame, 2);
    putLittle(header, bytesPerFrame * 4, 2);  // bits per sample
    if (isFloat) putLittle(header, 0, 2);     // no extension
    header += "data";
    putLittle(header, kOpenLength, 4);
    output_.writeAll(header.data(), header.size());
}

void AudioWriter::check(sf_count_t written, size_t count) {
    if (written != static_cast<sf_count_t>(count))
        throw FileError(
            "cannot write '" + name_ + "': " +
            (fileSizeLimitReached() ? kFileSizeLimitMessage : withoutPrefix(sf_strerror(file_))));
}

void AudioWriter::write(const float* frames, size_t count) {
    frames_ += static_cast<int64_t>(count);
    if (largestData_ >= 0 && frames_ * bytesPerFrame_ > largestData_)
        throw FileError("cannot write '" + name_ + "': the audio passes the " +
                        std::to_string(largestData_) + " bytes " + format_.containerName +
                        " files can hold; write .wav (RF64), .w64 or .caf for longer output");
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
    if (error != 0)
        throw FileError("cannot write '" + name_ + "': " +
                        (fileSizeLimitReached() ? kFileSizeLimitMessage
                                                : withoutPrefix(sf_error_number(error))));
    if (spool_) {
        readBack(spool_->fd());
        copySpool();
    } else if (!output_.direct()) {
        readBack(output_.fd());
    }
}

void AudioWriter::copySpool() {
    std::vector<char> buffer(size_t{1} << 16);
    for (off_t at = 0;;) {
        const ssize_t got = pread(spool_->fd(), buffer.data(), buffer.size(), at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw FileError("cannot read back '" + name_ + "': " + std::strerror(errno));
        if (got == 0) return;
        output_.writeAll(buffer.data(), static_cast<size_t>(got));
        at += got;
    }
}

// The new file as a reader sees it; it replaces nothing unless it holds every frame.
void AudioWriter::readBack(int written) {
    if ((format_.sndfileFormat & SF_FORMAT_TYPEMASK) == SF_FORMAT_RAW) {  // no header to read
        struct stat st {};
        if (fstat(written, &st) != 0 || st.st_size != frames_ * bytesPerFrame_)
            throw FileError("'" + name_ + "' was written but holds " + std::to_string(st.st_size) +
                            " of its " + std::to_string(frames_ * bytesPerFrame_) +
                            " bytes; it replaces nothing");
        return;
    }
    const int fd = dup(written);
    if (fd < 0 || lseek(fd, 0, SEEK_SET) != 0) {
        if (fd >= 0) close(fd);
        throw FileError("cannot read back '" + name_ + "': " + std::strerror(errno));
    }
    SF_INFO info{};
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
    if (file == nullptr)
        throw FileError("'" + name_ + "' was written but does not read back (" + openFailure() +
                        "); it replaces nothing");
    sf_close(file);
    if (info.frames != frames_ || info.channels != 2)
        throw FileError("'" + name_ + "' was written but reads back as " +
                        std::to_string(info.frames) + " of its " + std::to_string(frames_) +
                        " frames; it replaces nothing");
}

}  // namespace files
