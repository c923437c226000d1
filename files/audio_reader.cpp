#include "files/audio_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "files/file_error.h"
#include "host/sample_scale.h"

namespace files {

AudioReader::AudioReader(const std::string& path) : name_(path == "-" ? "standard input" : path) {
    struct stat st {};
    if (path != "-" && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw FileError("cannot read '" + name_ + "': it is a directory");
    file_ = path == "-" ? sf_open_fd(STDIN_FILENO, SFM_READ, &info_, SF_FALSE)
                        : sf_open(path.c_str(), SFM_READ, &info_);
    if (file_ == nullptr) throw FileError("cannot read '" + name_ + "': " + sf_strerror(nullptr));
    if (info_.channels < 1 || info_.channels > 2) {
        sf_close(file_);
        throw FileError("'" + name_ + "' has " + std::to_string(info_.channels) +
                        " channels; only mono and stereo files can be rendered");
    }
    if (info_.samplerate < kLowestSampleRate || info_.samplerate > kHighestSampleRate) {
        sf_close(file_);
        throw FileError("'" + name_ + "' says its sample rate is " +
                        std::to_string(info_.samplerate) + " Hz; only " +
                        std::to_string(kLowestSampleRate) + " Hz to " +
                        std::to_string(kHighestSampleRate) + " Hz can be rendered");
    }
    announced_ = announcedFrames();
}

AudioReader::~AudioReader() { sf_close(file_); }

// libsndfile trims a data chunk that runs past the end of the file and notes the size the
// header gave as "data : 32000 (should be 19956)" (AIFF: "SSND", which counts 8 more bytes).
// A stream written to a pipe leaves its length open (0xFFFFFFFF, or 0x7FFFF000 as some tools
// write it): it announces nothing.
int64_t AudioReader::announcedFrames() const {
    if (info_.frames == SF_COUNT_MAX) return -1;
    constexpr long long kOpenLengths[] = {0xFFFFFFFFLL, 0x7FFFF000LL};
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
        if (header < 0 || found - header <= 0 || said <= found) continue;
        return static_cast<int64_t>((said - header) / ((found - header) / info_.frames));
    }
    return info_.frames;
}

int64_t AudioReader::length() const {
    return info_.frames == SF_COUNT_MAX ? -1 : static_cast<int64_t>(info_.frames);
}

size_t AudioReader::read(float* frames, size_t count) {
    const sf_count_t got = sf_readf_float(file_, frames, static_cast<sf_count_t>(count));
    if (got < static_cast<sf_count_t>(count) && sf_error(file_) != SF_ERR_NO_ERROR)
        throw FileError("cannot read '" + name_ + "': " + sf_strerror(file_));
    const auto n = static_cast<size_t>(got);
    read_ += got;
    if (n == 0 && !ended_) {
        ended_ = true;
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
