// A picture that cairo could not draw.
#pragma once

#include <stdexcept>

namespace plot {

class PlotError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace plot
