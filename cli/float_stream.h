// Raw sample streams of host scripts: little-endian float32, interleaved stereo, host scale.
#pragma once

#include <string>
#include <vector>

#include "cli/safe_output.h"

namespace cli {

// RuntimeError when the file cannot be read or is not a whole number of floats.
std::vector<float> readFloatStream(const std::string& path);
void writeFloatStream(SafeOutput& output, const std::vector<float>& samples);

}  // namespace cli
