#pragma once

#include <stdexcept>

namespace offline {
// Anything our host cannot do: a missing library or export, a machine that was not created.
class HostError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
}  // namespace offline
