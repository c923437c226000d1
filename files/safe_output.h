// Output that is never half-written. A regular file (new, or replacing one, or the target of a
// symbolic link) is written to an unnamed temporary file in the target's directory, which gets
// the replaced file's permissions (and, for root, its owner and group) and takes the target's
// name only once it is complete; where the file system has no unnamed files, a hidden
// temporary name is used and every terminating signal removes it. A failure, an exception or
// a signal leaves an existing target untouched. Standard output ("-"), a named pipe or a
// device is written straight through.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

namespace files {

class SafeOutput {
  public:
    // FileError when the target cannot be written: a directory, a file the user could not
    // write to ("Permission denied"), no room for a file beside it.
    explicit SafeOutput(std::string path);
    ~SafeOutput();
    SafeOutput(const SafeOutput&) = delete;
    SafeOutput& operator=(const SafeOutput&) = delete;

    int fd() const { return fd_; }
    // OUT as given, or "standard output".
    const std::string& name() const { return name_; }
    // Written in place (standard output, a pipe, a device) rather than through a new file.
    bool direct() const { return direct_; }
    // The descriptor can seek and be read back (a new file, or standard output redirected to
    // a regular file).
    bool seekable() const { return seekable_; }
    void writeAll(const void* data, size_t bytes);
    // Flushes the new file to disk and gives it the target's name.
    void commit();

  private:
    void openTemporary(const std::string& directory);
    void keepAttributesOf(const struct stat& replaced);

    std::string name_;
    std::string target_;     // the file replaced: OUT, or where its symbolic links lead
    std::string directory_;  // the target's directory
    std::string temporary_;  // the hidden name, while there is one
    int fd_ = -1;
    bool direct_ = false;
    bool seekable_ = false;
    bool unnamed_ = false;  // O_TMPFILE: no name until commit
    bool committed_ = false;
};

// FormatError when both paths name the same existing file (through links too); "-" is
// never the same file as anything.
void refuseSameFile(const std::string& input, const std::string& output);

// Test knobs from the environment variable TARVO_DELAY_TEST, a comma-separated list:
// "no-tmpfile" (use a named temporary file, as on file systems without unnamed ones) and
// "size-limit=BYTES" (the largest audio data a 32-bit container holds, instead of 4 GiB).
bool testKnob(const char* name, long long* value = nullptr);

}  // namespace files
