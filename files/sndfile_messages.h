// libsndfile's refusals in the words of what is wrong with the file: "the header gives a sample
// rate of 0" rather than its internal "SF_INFO struct incomplete".
#pragma once

#include <sndfile.h>

#include <string>

namespace files {

// Why the sf_open call that has just returned null refused the file.
std::string openFailure();

// A libsndfile message without its "Error : " or "System error : " prefix and final stop.
std::string withoutPrefix(const char* message);

}  // namespace files
