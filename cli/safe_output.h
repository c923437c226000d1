// Output that is never half-written: everything goes to a temporary file beside the target,
// which replaces the target only once it is complete. A failure, an exception or an
// interrupting signal removes the temporary file and leaves an existing target untouched.
#pragma once

#include <cstddef>
#include <string>

namespace cli {

class SafeOutput {
public:
    // RuntimeError when nothing can be written beside `path`.
    explicit SafeOutput(std::string path);
    ~SafeOutput();
    SafeOutput(const SafeOutput&) = delete;
    SafeOutput& operator=(const SafeOutput&) = delete;

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    void writeAll(const void* data, size_t bytes);
    // Flushes the temporary file to disk and renames it over the target.
    void commit();

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    bool committed_ = false;
};

// UsageError when both paths name the same existing file (through links too).
void refuseSameFile(const std::string& input, const std::string& output);

}  // namespace cli
