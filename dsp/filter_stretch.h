// A stretch of frames the filter runs through with one set of coefficients.
#pragma once

#include <cstdint>

struct FilterStretch {
    int32_t begin, end;
    const float* coefLeft;  // b0, b1, b2, fb1, fb2
    const float* coefRight;
};
