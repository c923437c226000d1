#include "cli/float_stream.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

#include "cli/cli_error.h"

namespace cli {

namespace {
constexpr size_t kWriteFloats = 65536;

uint32_t littleEndian(uint32_t bits) {
    if constexpr (std::endian::native == std::endian::little) return bits;
    return (bits >> 24) | ((bits >> 8) & 0xFF00) | ((bits << 8) & 0xFF0000) | (bits << 24);
}
}  // namespace

std::vector<float> readFloatStream(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw RuntimeError("cannot read '" + path + "'");
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) throw RuntimeError("cannot read '" + path + "'");
    if (bytes.size() % sizeof(float) != 0)
        throw RuntimeError("'" + path +
                           "' is not a float32 stream: " + std::to_string(bytes.size()) + " bytes");
    std::vector<float> samples(bytes.size() / sizeof(float));
    for (size_t i = 0; i < samples.size(); ++i) {
        uint32_t bits;
        std::memcpy(&bits, bytes.data() + i * sizeof bits, sizeof bits);
        samples[i] = std::bit_cast<float>(littleEndian(bits));
    }
    return samples;
}

void writeFloatStream(SafeOutput& output, const std::vector<float>& samples) {
    std::vector<uint32_t> chunk(std::min(samples.size(), kWriteFloats));
    for (size_t at = 0; at < samples.size(); at += chunk.size()) {
        const size_t n = std::min(chunk.size(), samples.size() - at);
        for (size_t i = 0; i < n; ++i)
            chunk[i] = littleEndian(std::bit_cast<uint32_t>(samples[at + i]));
        output.writeAll(chunk.data(), n * sizeof(uint32_t));
    }
}

}  // namespace cli
