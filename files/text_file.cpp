#include "files/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files/file_error.h"

namespace files {

namespace {

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ > STDERR_FILENO) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

std::string withoutByteOrderMark(std::string text) {
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    return text;
}

std::string readTextFile(const std::string& path, const std::string& what) {
    const std::string name = path == "-" ? "standard input" : "'" + path + "'";
    const auto cannot = [&](const std::string& why) {
        return FileError("cannot read " + what + " " + name + ": " + why);
    };
    const Descriptor file(path == "-" ? STDIN_FILENO : open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) throw cannot(std::strerror(errno));
    struct stat st {};
    if (fstat(file.get(), &st) == 0 && S_ISDIR(st.st_mode)) throw cannot("it is a directory");

    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw cannot(std::strerror(errno));
        if (got == 0) break;
        if (text.size() + static_cast<size_t>(got) > kLargestTextFile)
            throw cannot("it is larger than " + std::to_string(kLargestTextFile >> 20) +
                         " MiB, more than " + what + "s may be");
        text.append(buffer, static_cast<size_t>(got));
    }
    return withoutByteOrderMark(std::move(text));
}

}  // namespace files
