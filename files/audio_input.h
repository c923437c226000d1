// IN as libsndfile can read it. A file that can seek is read where it is. From a pipe (standard
// input, a named pipe, a socket) libsndfile reads WAV, AIFF and AU in order, as they come; every
// other format (FLAC, CAF, Wave64, Ogg, ...) it reads only by seeking, so such a stream is first
// copied into an unnamed temporary file and read from there once it has ended. Its header is
// checked once that file holds a megabyte, as a file's would be, so that a stream that is no
// sound file, or one with a hostile header, fails then rather than filling the disk.
#pragma once

#include <sndfile.h>

#include <optional>
#include <string>

#include "files/spool_file.h"

namespace files {

class AudioInput {
  public:
    // "-" is standard input. FileError when IN cannot be opened, is a directory or a terminal,
    // or its stream is refused before it has been copied whole.
    explicit AudioInput(const std::string& path);
    ~AudioInput();
    AudioInput(const AudioInput&) = delete;
    AudioInput& operator=(const AudioInput&) = delete;

    // Where libsndfile reads: IN itself, or the copy of its stream.
    int fd() const { return spool_ ? spool_->fd() : fd_; }
    // IN as messages name it: the path, or "standard input".
    const std::string& name() const { return name_; }

  private:
    void spool();

    std::string name_;
    int fd_ = -1;         // IN
    bool owned_ = false;  // opened here, closed here
    std::optional<SpoolFile> spool_;
};

// FileError when a header asks for what cannot be rendered: more than two channels, or a
// sample rate outside core::kLowestSampleRate..kHighestSampleRate.
void checkInputHeader(const SF_INFO& info, const std::string& name);

}  // namespace files
