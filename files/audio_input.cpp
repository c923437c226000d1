#include "files/audio_input.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/sample_rates.h"
#include "files/file_error.h"
#include "files/sndfile_messages.h"

namespace files {

namespace {

constexpr size_t kMagicBytes = 12;                   // enough to tell WAV, AIFF and AU apart
constexpr off_t kHeaderCheckBytes = off_t{1} << 20;  // a spooled stream's header is read by then
constexpr size_t kCopyBytes = size_t{1} << 16;

// The formats libsndfile reads from a pipe in order, as they come.
bool readsAsItComes(const std::string& start) {
    if (start.size() < kMagicBytes) return false;
    const std::string kind = start.substr(8, 4);
    return (start.starts_with("RIFF") && kind == "WAVE") ||
           (start.starts_with("FORM") && (kind == "AIFF" || kind == "AIFC")) ||
           start.starts_with(".snd") || start.starts_with("dns.");
}

// The first bytes of a pipe, left in it for whoever reads it next (tee duplicates them); fewer
// when the stream is shorter.
std::string peekPipe(int fd) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return {};
    std::string seen;
    for (;;) {
        const ssize_t n = tee(fd, ends[1], kMagicBytes, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the stream has ended
        seen.resize(static_cast<size_t>(n));
        for (size_t at = 0; at < seen.size();) {
            const ssize_t got = read(ends[0], seen.data() + at, seen.size() - at);
            if (got <= 0) break;
            at += static_cast<size_t>(got);
        }
        if (seen.size() >= kMagicBytes) break;
        // Fewer bytes so far: wait until the writer adds more, or has gone.
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 0) > 0 && (ready.revents & POLLHUP) != 0) break;
        usleep(1000);
    }
    close(ends[0]);
    close(ends[1]);
    return seen;
}

std::string peekSocket(int fd) {
    std::string seen(kMagicBytes, '\0');
    ssize_t n;
    do {
        n = recv(fd, seen.data(), seen.size(), MSG_PEEK | MSG_WAITALL);
    } while (n < 0 && errno == EINTR);
    seen.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return seen;
}

}  // namespace

void checkInputHeader(const SF_INFO& info, const std::string& name) {
    if (info.channels < 1 || info.channels > 2)
        throw FileError("'" + name + "' has " + std::to_string(info.channels) +
                        " channels; only mono and stereo files can be rendered");
    if (info.samplerate < core::kLowestSampleRate || info.samplerate > core::kHighestSampleRate)
        throw FileError("'" + name + "' says its sample rate is " +
                        std::to_string(info.samplerate) + " Hz; only " +
                        std::to_string(core::kLowestSampleRate) + " Hz to " +
                        std::to_string(core::kHighestSampleRate) + " Hz can be rendered");
}

AudioInput::AudioInput(const std::string& path) : name_(path == "-" ? "standard input" : path) {
    const auto cannot = [&](const std::string& why) {
        return FileError("cannot read '" + name_ + "': " + why);
    };
    if (path == "-") {
        fd_ = STDIN_FILENO;
    } else {
        fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) throw cannot(std::strerror(errno));
        owned_ = true;
    }
    struct stat st {};
    if (fstat(fd_, &st) != 0) throw cannot(std::strerror(errno));
    if (S_ISDIR(st.st_mode)) throw cannot("it is a directory");
    if (isatty(fd_) == 1) throw cannot("it is a terminal; redirect standard input from a file");
    if (S_ISREG(st.st_mode) && lseek(fd_, 0, SEEK_CUR) >= 0) return;
    // Peeking leaves the bytes in the stream, for libsndfile or the copy.
    const std::string start = S_ISFIFO(st.st_mode)   ? peekPipe(fd_)
                              : S_ISSOCK(st.st_mode) ? peekSocket(fd_)
                                                     : std::string();
    if (!readsAsItComes(start)) spool();
}

AudioInput::~AudioInput() {
    if (owned_) close(fd_);
}

void AudioInput::spool() {
    spool_.emplace("'" + name_ + "'");
    bool checked = false;
    std::vector<char> buffer(kCopyBytes);
    for (;;) {
        const ssize_t got = read(fd_, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw FileError("cannot read '" + name_ + "': " + std::strerror(errno));
        if (got == 0) break;
        spool_->append(buffer.data(), static_cast<size_t>(got));
        if (checked || spool_->size() < kHeaderCheckBytes) continue;
        // A header that is incomplete so far is judged once the stream has ended.
        checked = true;
        lseek(spool_->fd(), 0, SEEK_SET);
        SF_INFO info{};
        SNDFILE* file = sf_open_fd(spool_->fd(), SFM_READ, &info, SF_FALSE);
        if (file == nullptr && sf_error(nullptr) == SF_ERR_UNRECOGNISED_FORMAT)
            throw FileError("cannot read '" + name_ + "': " + openFailure());
        if (file != nullptr) {
            sf_close(file);
            checkInputHeader(info, name_);
        }
    }
    lseek(spool_->fd(), 0, SEEK_SET);
}

}  // namespace files
