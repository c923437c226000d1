#include "files/safe_output.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "files/file_error.h"
#include "files/file_size_limit.h"

namespace files {

namespace fs = std::filesystem;

namespace {

// A short hidden name of its own, so that any name the file system takes for OUT works.
constexpr char kTemporaryStem[] = ".tarvo-";
constexpr int kLongestLinkChain = 40;  // as the kernel follows

// The temporary file a terminating signal must remove; only plain memory, since the handler
// may use nothing else.
char gPendingPath[4096];
volatile std::sig_atomic_t gPending = 0;

extern "C" void removePendingAndDie(int signal) {
    if (gPending) unlink(gPendingPath);
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigaction(signal, &action, nullptr);
    raise(signal);
}

// Every signal whose default ends the program; one that was ignored when the program started
// (nohup, a shell's trap) stays ignored. SIGXFSZ, from a file size limit, is caught apart: the
// write fails instead, and the program ends with a message.
void watchSignals() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2,
                       SIGXCPU, SIGVTALRM, SIGPROF}) {
        struct sigaction old {};
        sigaction(signal, nullptr, &old);
        if (old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = removePendingAndDie;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
}

void setPending(const std::string& path) {
    gPending = 0;
    std::memcpy(gPendingPath, path.c_str(), path.size() + 1);
    gPending = 1;
}

std::string reason() {
    return fileSizeLimitReached() ? kFileSizeLimitMessage : std::strerror(errno);
}

std::string ownerName(uid_t uid) {
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->pw_name;
    return "user " + std::to_string(uid);
}

// In a sticky directory (/tmp) only a file's owner, the directory's owner or root may rename
// over a file, however writable the file itself is.
std::string stickyRefusal(const std::string& directory, uid_t owner) {
    return "it belongs to " + ownerName(owner) + ", and '" + directory +
           "' is a sticky directory, where only a file's owner may replace it; choose another "
           "name";
}

bool mayNotReplace(const std::string& directory, const struct stat& file) {
    struct stat st {};
    return geteuid() != 0 && stat(directory.c_str(), &st) == 0 && (st.st_mode & S_ISVTX) != 0 &&
           file.st_uid != geteuid() && st.st_uid != geteuid();
}

// Where a chain of symbolic links ends, even when the file there does not exist yet.
fs::path followLinks(fs::path path) {
    std::error_code error;
    for (int i = 0; i < kLongestLinkChain && fs::is_symlink(path, error); ++i) {
        const fs::path next = fs::read_symlink(path, error);
        if (error) break;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

std::string randomName(const std::string& directory) {
    static std::mt19937_64 generator{std::random_device{}() ^ static_cast<uint64_t>(getpid())};
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = directory + "/" + kTemporaryStem;
    for (int i = 0; i < 8; ++i) name += kLetters[generator() % (sizeof kLetters - 1)];
    return name;
}

}  // namespace

bool testKnob(const char* name, long long* value) {
    const char* knobs = std::getenv("TARVO_DELAY_TEST");
    if (knobs == nullptr) return false;
    const std::string list = std::string(",") + knobs + ",";
    const std::string key = std::string(",") + name;
    const size_t at = list.find(key);
    if (at == std::string::npos) return false;
    const char after = list[at + key.size()];
    if (value == nullptr) return after == ',';
    if (after != '=') return false;
    *value = std::atoll(list.c_str() + at + key.size() + 1);
    return true;
}

SafeOutput::SafeOutput(std::string path) : name_(std::move(path)) {
    catchFileSizeLimit();
    if (name_ == "-") {
        name_ = "standard output";
        fd_ = STDOUT_FILENO;
        direct_ = true;
        if (isatty(fd_) == 1)
            throw FileError("will not write audio to a terminal; redirect standard output");
        struct stat st {};
        seekable_ = fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && lseek(fd_, 0, SEEK_CUR) == 0;
        return;
    }
    const auto cannot = [&](const std::string& why) {
        return FileError("cannot write '" + name_ + "': " + why);
    };
    struct stat existing {};
    const bool exists = stat(name_.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) throw cannot(reason());
    if (exists && S_ISDIR(existing.st_mode)) throw cannot("it is a directory");
    if (exists && !S_ISREG(existing.st_mode)) {  // a named pipe, a device: written in place
        fd_ = open(name_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) throw cannot(reason());
        direct_ = true;
        return;
    }
    if (exists) {
        // Replacing a file is writing to it: refused where opening it for writing is, with the
        // kernel's own rules (root writes to a read-only file, nobody else does).
        const int probe = open(name_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (probe < 0) throw cannot(reason());
        close(probe);
    }

    const fs::path target = followLinks(name_);
    target_ = target.string();
    directory_ = target.has_parent_path() ? target.parent_path().string() : ".";
    if (exists && mayNotReplace(directory_, existing))
        throw cannot(stickyRefusal(directory_, existing.st_uid));
    if (target_.size() + sizeof kTemporaryStem + 16 >= sizeof gPendingPath)
        throw cannot("the path is too long");
    watchSignals();
    openTemporary(directory_);
    seekable_ = true;
    if (exists) keepAttributesOf(existing);
}

void SafeOutput::openTemporary(const std::string& directory) {
    const auto cannot = [&](const std::string& why) {
        return FileError("cannot write '" + name_ + "': " + why);
    };
#ifdef O_TMPFILE
    if (!testKnob("no-tmpfile")) {
        fd_ = open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            unnamed_ = true;
            return;
        }
        // Only a file system without unnamed files is a reason to try a named one.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            throw cannot("cannot create a file in '" + directory + "': " + reason());
    }
#endif
    std::string name = directory + "/" + kTemporaryStem + "XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    fd_ = mkostemp(buffer.data(), O_CLOEXEC);
    if (fd_ < 0) throw cannot("cannot create a file in '" + directory + "': " + reason());
    temporary_ = buffer.data();
    setPending(temporary_);
    // mkstemp makes the file private; give it the mode a newly created file would have.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, 0666 & ~mask);
}

void SafeOutput::keepAttributesOf(const struct stat& replaced) {
    // Owner first: changing it clears the set-user and set-group bits. Only root may give a
    // file away; anyone may keep a group they belong to. What cannot be kept is not kept.
    if (fchown(fd_, geteuid() == 0 ? replaced.st_uid : static_cast<uid_t>(-1), replaced.st_gid) !=
        0) {
        // The new file keeps its creator's group.
    }
    fchmod(fd_, replaced.st_mode & 07777);
}

SafeOutput::~SafeOutput() {
    if (fd_ >= 0 && fd_ != STDOUT_FILENO) close(fd_);
    if (!committed_ && !temporary_.empty()) unlink(temporary_.c_str());
    if (!temporary_.empty()) gPending = 0;
}

void SafeOutput::writeAll(const void* data, size_t bytes) {
    const auto* at = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t written = write(fd_, at, bytes);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) throw FileError("cannot write '" + name_ + "': " + reason());
        at += written;
        bytes -= static_cast<size_t>(written);
    }
}

void SafeOutput::commit() {
    const auto cannot = [&](const std::string& why) {
        return FileError("cannot write '" + name_ + "': " + why);
    };
    if (direct_) {
        committed_ = true;
        if (fd_ == STDOUT_FILENO) return;
        const int status = close(fd_);
        fd_ = -1;
        if (status != 0) throw cannot(reason());
        return;
    }
    if (fsync(fd_) != 0) throw cannot(reason());
    if (unnamed_) {
        // A complete file gets a hidden name for as long as it takes to rename it.
        const std::string proc = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 0; temporary_.empty(); ++attempt) {
            const std::string name = randomName(directory_);
            setPending(name);
            if (linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
                linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
                temporary_ = name;
            } else if (errno != EEXIST || attempt > 100) {
                gPending = 0;
                throw cannot(reason());
            }
        }
    }
    const int status = close(fd_);
    fd_ = -1;
    if (status != 0) throw cannot(reason());
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        struct stat replaced {};
        if (errno == EPERM && stat(target_.c_str(), &replaced) == 0)
            throw cannot(stickyRefusal(directory_, replaced.st_uid));
        throw cannot(reason());
    }
    committed_ = true;
    gPending = 0;
    temporary_.clear();
    // The new name itself reaches the disk with its directory.
    const int directory = open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        fsync(directory);
        close(directory);
    }
}

void refuseSameFile(const std::string& input, const std::string& output) {
    if (input == "-" || output == "-") return;
    std::error_code error;
    if (fs::equivalent(input, output, error))
        throw FormatError("the output '" + output + "' is the input file; choose another name");
}

}  // namespace files
