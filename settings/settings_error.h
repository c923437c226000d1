// What the settings language refuses: an unknown parameter, a value it cannot read, a bad line
// of a preset or automation file, a preset that does not exist. The message says what and
// where; the tool decides what it means for its exit status.
#pragma once

#include <stdexcept>

namespace settings {

class SettingsError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace settings
