#include "cli/safe_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <vector>

#include "cli/cli_error.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

// The temporary file an interrupting signal must remove; only plain memory, since the
// handler may use nothing else.
char gPendingPath[4096];
volatile std::sig_atomic_t gPending = 0;

extern "C" void removePendingAndDie(int signal) {
    if (gPending) unlink(gPendingPath);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Signals that end the program; one that was ignored when the program started (nohup, a
// shell's trap) stays ignored. SIGXFSZ comes with a file size limit.
void watchSignals() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ})
        if (std::signal(signal, removePendingAndDie) == SIG_IGN) std::signal(signal, SIG_IGN);
}

std::string reason() { return std::strerror(errno); }

}  // namespace

SafeOutput::SafeOutput(std::string path) : path_(std::move(path)) {
    std::error_code error;
    if (fs::is_directory(path_, error))
        throw RuntimeError("cannot write '" + path_ + "': it is a directory");
    const fs::path target(path_);
    const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");
    temporary_ = (directory / ("." + target.filename().string() + ".XXXXXX")).string();
    if (temporary_.size() >= sizeof gPendingPath)
        throw RuntimeError("cannot write '" + path_ + "': the path is too long");

    std::vector<char> name(temporary_.begin(), temporary_.end());
    name.push_back('\0');
    watchSignals();
    fd_ = mkstemp(name.data());
    if (fd_ < 0) throw RuntimeError("cannot write '" + path_ + "': " + reason());
    temporary_ = name.data();
    std::memcpy(gPendingPath, name.data(), name.size());
    gPending = 1;

    // mkstemp makes the file private; give it the mode a newly created file would have.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, 0666 & ~mask);
}

SafeOutput::~SafeOutput() {
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlink(temporary_.c_str());
    gPending = 0;
}

void SafeOutput::writeAll(const void* data, size_t bytes) {
    const auto* at = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t written = write(fd_, at, bytes);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) throw RuntimeError("cannot write '" + path_ + "': " + reason());
        at += written;
        bytes -= static_cast<size_t>(written);
    }
}

void SafeOutput::commit() {
    if (fsync(fd_) != 0 || close(fd_) != 0) {
        fd_ = -1;
        throw RuntimeError("cannot write '" + path_ + "': " + reason());
    }
    fd_ = -1;
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0)
        throw RuntimeError("cannot write '" + path_ + "': " + reason());
    committed_ = true;
    gPending = 0;
}

void refuseSameFile(const std::string& input, const std::string& output) {
    std::error_code error;
    if (fs::equivalent(input, output, error))
        throw UsageError("the output '" + output + "' is the input file; choose another name");
}

}  // namespace cli
