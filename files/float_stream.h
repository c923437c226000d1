// Raw sample streams of host scripts: little-endian float32, interleaved stereo, host scale.
// They are read and written as the replay goes, never held whole; "-" is standard input.
#pragma once

#include <cstddef>
#include <string>

#include "files/safe_output.h"

namespace files {

class FloatStreamReader {
  public:
    // FileError when the file cannot be opened or is a directory.
    explicit FloatStreamReader(const std::string& path);
    ~FloatStreamReader();
    FloatStreamReader(const FloatStreamReader&) = delete;
    FloatStreamReader& operator=(const FloatStreamReader&) = delete;

    // Up to `count` samples, fewer only at the end; FileError when the stream ends inside a
    // float or cannot be read.
    size_t read(float* samples, size_t count);

  private:
    std::string name_;
    int fd_ = -1;
    unsigned long long bytes_ = 0;
    bool ended_ = false;
};

void writeFloatStream(SafeOutput& output, const float* samples, size_t count);

}  // namespace files
