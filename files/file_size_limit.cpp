#include "files/file_size_limit.h"

#include <cerrno>
#include <csignal>

namespace files {

namespace {

volatile std::sig_atomic_t gReached = 0;

extern "C" void noteFileSizeLimit(int) { gReached = 1; }

}  // namespace

void catchFileSizeLimit() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    // Also where the signal was ignored: that too makes the write fail, which is all we ask.
    struct sigaction action {};
    action.sa_handler = noteFileSizeLimit;
    sigemptyset(&action.sa_mask);
    sigaction(SIGXFSZ, &action, nullptr);
}

bool fileSizeLimitReached() { return gReached != 0 || errno == EFBIG; }

}  // namespace files
