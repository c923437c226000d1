// Anything a host of ours cannot do: a library that does not load or lacks an export, a
// machine that could not be created.
#pragma once

#include <stdexcept>

namespace core {

class HostError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace core
