#include "cli/audio_reader.h"

#include "cli/cli_error.h"
#include "machine/constants.h"

namespace cli {

AudioReader::AudioReader(const std::string& path) : path_(path) {
    file_ = sf_open(path.c_str(), SFM_READ, &info_);
    if (file_ == nullptr) throw RuntimeError("cannot read '" + path + "': " + sf_strerror(nullptr));
    if (info_.channels < 1 || info_.channels > 2) {
        sf_close(file_);
        throw RuntimeError("'" + path + "' has " + std::to_string(info_.channels) +
                           " channels; only mono and stereo files can be rendered");
    }
}

AudioReader::~AudioReader() { sf_close(file_); }

int64_t AudioReader::length() const {
    return info_.frames == SF_COUNT_MAX ? -1 : static_cast<int64_t>(info_.frames);
}

size_t AudioReader::read(float* frames, size_t count) {
    const sf_count_t got = sf_readf_float(file_, frames, static_cast<sf_count_t>(count));
    if (got < static_cast<sf_count_t>(count) && sf_error(file_) != SF_ERR_NO_ERROR)
        throw RuntimeError("cannot read '" + path_ + "': " + sf_strerror(file_));
    const auto n = static_cast<size_t>(got);
    if (info_.channels == 1) {
        // Spread in place from the back, so no sample is overwritten before it is copied.
        for (size_t i = n; i-- > 0;) {
            const float sample = frames[i] * static_cast<float>(kFullScale);
            frames[2 * i] = sample;
            frames[2 * i + 1] = sample;
        }
    } else {
        for (size_t i = 0; i < n * 2; ++i) frames[i] *= static_cast<float>(kFullScale);
    }
    return n;
}

}  // namespace cli
