#include "files/audio_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "files/file_error.h"
#include "files/sndfile_messages.h"
#include "host/sample_scale.h"

namespace files {

namespace {

// A length libsndfile does not know (a stream from a pipe) shows as SF_COUNT_MAX, or as all the
// frames SF_COUNT_MAX bytes would hold; no file holds that many.
constexpr sf_count_t kWidestFrameBytes = 16;  // two 64-bit samples
bool lengthUnknown(const SF_INFO& info) { return info.frames > SF_COUNT_MAX / kWidestFrameBytes; }

// Bytes of one frame of PCM or float samples; 0 for compressed ones.
int frameBytes(const SF_INFO& info) {
    switch (info.format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return info.channels;
        case SF_FORMAT_PCM_16:
            return 2 * info.channels;
        case SF_FORMAT_PCM_24:
            return 3 * info.channels;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
            return 4 * info.channels;
        case SF_FORMAT_DOUBLE:
            return 8 * info.channels;
        default:
            return 0;
    }
}

}  // namespace

AudioReader::AudioReader(const std::string& path) : input_(path), name_(input_.name()) {
    file_ = sf_open_fd(input_.fd(), SFM_READ, &info_, SF_FALSE);
    if (file_ == nullptr) throw FileError("cannot read '" + name_ + "': " + openFailure());
    try {
        checkInputHeader(info_, name_);
    } catch (const FileError&) {
        sf_close(file_);
        throw;
    }
    announced_ = announcedFrames();
}

AudioReader::~AudioReader() { sf_close(file_); }

// libsndfile trims a data chunk that runs past the end of the file and notes the size the
// header gave as "data : 32000 (should be 19956)" (AIFF: "SSND", which counts 8 more bytes).
// A stream written to a pipe leaves its length open (0xFFFFFFFF, or 0x7FFFF000 and 0x7F000000
// as some tools write it, sox's AIFF in its frame count too): it announces nothing.
int64_t AudioReader::announcedFrames() const {
    if (lengthUnknown(info_)) return -1;
    constexpr long long kOpenLengths[] = {0xFFFFFFFFLL, 0x7FFFF000LL, 0x7F000000LL};
    if (const int bytes = frameBytes(info_); bytes > 0)
        for (long long open : kOpenLengths)
            if (info_.frames == open / bytes) return -1;
    char log[8192] = {};
    sf_command(file_, SFC_GET_LOG_INFO, log, sizeof log - 1);
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        long long said = 0, found = 0;
        char chunk[8] = {};
        const int fields =
            std::sscanf(line.c_str(), " %4s : %lld (should be %lld)", chunk, &said, &found);
        const std::string name = chunk;
        if (fields >= 2 && name == "data")
            for (long long open : kOpenLengths)
                if (said == open) return -1;
        if (fields != 3) continue;
        const long long header = name == "SSND" ? 8 : name == "data" ? 0 : -1;
        if (header < 0 || said <= found) continue;
        // Bytes per frame as the file holds them, or by its sample format when it holds none.
        const long long perFrame = found - header > 0 && info_.frames > 0
                                       ? (found - header) / info_.frames
                                       : frameBytes(info_);
        if (perFrame > 0) return static_cast<int64_t>((said - header) / perFrame);
    }
    return info_.frames;
}

int64_t AudioReader::length() const {
    return lengthUnknown(info_) ? -1 : static_cast<int64_t>(info_.frames);
}

size_t AudioReader::read(float* frames, size_t count) {
    const sf_count_t got = sf_readf_float(file_, frames, static_cast<sf_count_t>(count));
    if (got < static_cast<sf_count_t>(count) && sf_error(file_) != SF_ERR_NO_ERROR)
        throw FileError("cannot read '" + name_ + "': " + withoutPrefix(sf_strerror(file_)));
    const auto n = static_cast<size_t>(got);
    read_ += got;
    if (n == 0 && !ended_) {
        ended_ = true;
        // No frame at all: a render of the tail alone would pass for one of the input.
        if (read_ == 0)
            throw FileError("'" + name_ + "' holds no audio" +
                            (announced_ > 0
                                 ? ": it ended before the first of the " +
                                       std::to_string(announced_) + " frames its header announced"
                                 : std::string()));
        if (announced_ > read_)
            std::fprintf(stderr,
                         "tarvo-delay: warning: '%s' ended after %lld of the %lld frames its "
                         "header announced\n",
                         name_.c_str(), static_cast<long long>(read_),
                         static_cast<long long>(announced_));
    }
    // Into the machine's scale by the one rule every host of ours keeps: a sample no host
    // should send (not finite, or not once scaled) enters as silence.
    if (info_.channels == 1) {
        // Spread in place from the back, so no sample is overwritten before it is copied.
        for (size_t i = n; i-- > 0;) {
            const float sample = unitToHost(frames[i]);
            frames[2 * i] = sample;
            frames[2 * i + 1] = sample;
        }
    } else {
        for (size_t i = 0; i < n * 2; ++i) frames[i] = unitToHost(frames[i]);
    }
    return n;
}

}  // namespace files
