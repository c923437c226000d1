// A file size limit (ulimit -f) makes the kernel send SIGXFSZ, whose default ends the program
// without a word and leaves a temporary file behind. Caught, the write that would pass the limit
// fails instead (EFBIG), the failure says why, and the output is left as it was.
#pragma once

namespace files {

// Installs the catch, once; every writer of files calls it before it writes.
void catchFileSizeLimit();
// A write has passed the limit (the signal came, or a write failed with EFBIG).
bool fileSizeLimitReached();

inline constexpr const char* kFileSizeLimitMessage = "file size limit reached (ulimit -f)";

}  // namespace files
