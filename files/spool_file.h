// An unnamed temporary file (O_TMPFILE in $TMPDIR, else /tmp) that holds a stream while a
// format that must seek is written or read: it has no name, so nothing is left behind whatever
// ends the program. Where the file system has no unnamed files, a named one is removed at once.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace files {

class SpoolFile {
  public:
    // FileError naming `what` ("the FLAC stream") when no temporary file can be made.
    explicit SpoolFile(const std::string& what);
    ~SpoolFile();
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;

    int fd() const { return fd_; }
    // Appends at the end of what the file holds, whatever the descriptor's offset.
    void append(const void* data, size_t bytes);
    off_t size() const { return size_; }

  private:
    std::string what_;
    int fd_ = -1;
    off_t size_ = 0;
};

}  // namespace files
