// What the file layer reports: a file that cannot be read or written (FileError), and an
// output asked for in a form that cannot be written at all (FormatError: an unknown format or
// subtype, a container that cannot hold the samples, an output that is the input itself). The
// tool decides what each means for its exit status.
#pragma once

#include <stdexcept>

namespace files {

class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class FormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace files
