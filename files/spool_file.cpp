#include "files/spool_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/file_error.h"
#include "files/file_size_limit.h"
#include "files/safe_output.h"

namespace files {

namespace {

std::string temporaryDirectory() {
    const char* directory = std::getenv("TMPDIR");
    return directory != nullptr && *directory != '\0' ? directory : "/tmp";
}

}  // namespace

SpoolFile::SpoolFile(const std::string& what) : what_(what) {
    catchFileSizeLimit();
    const std::string directory = temporaryDirectory();
#ifdef O_TMPFILE
    if (!testKnob("no-tmpfile"))
        fd_ = open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
    if (fd_ < 0) {
        std::string name = directory + "/.tarvo-spool-XXXXXX";
        std::vector<char> buffer(name.begin(), name.end());
        buffer.push_back('\0');
        fd_ = mkostemp(buffer.data(), O_CLOEXEC);
        if (fd_ >= 0) unlink(buffer.data());
    }
    if (fd_ < 0)
        throw FileError("cannot hold " + what_ + " in a temporary file in '" + directory +
                        "': " + std::strerror(errno));
}

SpoolFile::~SpoolFile() {
    if (fd_ >= 0) close(fd_);
}

void SpoolFile::append(const void* data, size_t bytes) {
    const auto* at = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t written = pwrite(fd_, at, bytes, size_);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0)
            throw FileError(
                "cannot hold " + what_ + " in a temporary file: " +
                (fileSizeLimitReached() ? kFileSizeLimitMessage : std::strerror(errno)));
        at += written;
        bytes -= static_cast<size_t>(written);
        size_ += written;
    }
}

}  // namespace files
