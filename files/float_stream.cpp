#include "files/float_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/file_error.h"

namespace files {

namespace {
constexpr size_t kWriteFloats = 65536;

uint32_t littleEndian(uint32_t bits) {
    if constexpr (std::endian::native == std::endian::little) return bits;
    return (bits >> 24) | ((bits >> 8) & 0xFF00) | ((bits << 8) & 0xFF0000) | (bits << 24);
}
}  // namespace

FloatStreamReader::FloatStreamReader(const std::string& path)
    : name_(path == "-" ? "standard input" : path) {
    fd_ = path == "-" ? STDIN_FILENO : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw FileError("cannot read '" + name_ + "': " + std::strerror(errno));
    struct stat st {};
    if (fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        if (fd_ != STDIN_FILENO) close(fd_);
        throw FileError("cannot read '" + name_ + "': it is a directory");
    }
}

FloatStreamReader::~FloatStreamReader() {
    if (fd_ > STDERR_FILENO) close(fd_);
}

size_t FloatStreamReader::read(float* samples, size_t count) {
    auto* bytes = reinterpret_cast<unsigned char*>(samples);
    const size_t wanted = count * sizeof(float);
    size_t got = 0;
    while (!ended_ && got < wanted) {
        const ssize_t n = ::read(fd_, bytes + got, wanted - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw FileError("cannot read '" + name_ + "': " + std::strerror(errno));
        ended_ = n == 0;
        got += static_cast<size_t>(n);
        bytes_ += static_cast<unsigned long long>(n);
    }
    if (ended_ && bytes_ % sizeof(float) != 0)
        throw FileError("'" + name_ + "' is not a float32 stream: it ends " +
                        std::to_string(bytes_ % sizeof(float)) + " bytes into a sample");
    const size_t n = got / sizeof(float);
    for (size_t i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, samples + i, sizeof bits);
        samples[i] = std::bit_cast<float>(littleEndian(bits));
    }
    return n;
}

void writeFloatStream(SafeOutput& output, const float* samples, size_t count) {
    std::vector<uint32_t> chunk(std::min(count, kWriteFloats));
    for (size_t at = 0; at < count; at += chunk.size()) {
        const size_t n = std::min(chunk.size(), count - at);
        for (size_t i = 0; i < n; ++i)
            chunk[i] = littleEndian(std::bit_cast<uint32_t>(samples[at + i]));
        output.writeAll(chunk.data(), n * sizeof(uint32_t));
    }
}

}  // namespace files
