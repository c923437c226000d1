// The two kinds of failure the tool reports, each with its exit status.
#pragma once

#include <stdexcept>

namespace cli {

inline constexpr int kExitRuntimeError = 1;
inline constexpr int kExitUsageError = 2;

// The command line asks for something impossible: a bad option, an unknown parameter, a value
// out of range, a bad automation or script line.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The command was fine but could not be carried out: unreadable input, unwritable output, an
// unusable plug-in library, an unsupported file.
class RuntimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace cli
