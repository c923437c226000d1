// Replays one host script against a plug-in library through our own host, the same source on
// Linux and on Windows, so that the two builds' output can be compared bit for bit.
//
//   script_runner LIBRARY SCRIPT INPUT OUTPUT TEXTS [REFERENCE_OUTPUT REFERENCE_TEXTS]
//
// INPUT is interleaved stereo float32 ("-" for none). OUTPUT receives the buffer after every
// render, TEXTS every value text. With the two reference files, the run also compares its
// results with them and fails at the first sample or text that differs in any bit.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "offline/host_script.h"
#include "offline/plugin_library.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read '" + path + "'");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) throw std::runtime_error("cannot write '" + path + "'");
}

std::vector<float> toFloats(const std::string& bytes) {
    std::vector<float> values(bytes.size() / sizeof(float));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(float));
    return values;
}

uint32_t bitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Prints where the two runs part; true when they do not.
bool sameAsReference(const offline::ScriptResult& result, const std::string& referenceOutput,
                     const std::string& referenceTexts) {
    bool same = true;
    const std::vector<float> reference = toFloats(readFile(referenceOutput));
    if (reference.size() != result.output.size()) {
        std::printf("output has %zu samples, the reference %zu\n", result.output.size(),
                    reference.size());
        same = false;
    }
    size_t differing = 0;
    for (size_t i = 0; i < reference.size() && i < result.output.size(); ++i) {
        if (bitsOf(reference[i]) == bitsOf(result.output[i])) continue;
        if (differing++ == 0)
            std::printf(
                "first difference at frame %zu %s: %.9g (0x%08x) here, %.9g (0x%08x) in "
                "the reference\n",
                i / 2, i % 2 ? "right" : "left", result.output[i],
                static_cast<unsigned>(bitsOf(result.output[i])), reference[i],
                static_cast<unsigned>(bitsOf(reference[i])));
    }
    if (differing != 0) {
        std::printf("%zu samples differ\n", differing);
        same = false;
    }
    const std::string texts = readFile(referenceTexts);
    if (texts != result.texts) {
        size_t at = 0;
        while (at < texts.size() && at < result.texts.size() && texts[at] == result.texts[at]) ++at;
        const size_t line =
            static_cast<size_t>(std::count(texts.begin(), texts.begin() + at, '\n'));
        std::printf("value texts differ from line %zu on\n", line + 1);
        same = false;
    }
    return same;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 && argc != 8) {
        std::fprintf(stderr,
                     "usage: script_runner LIBRARY SCRIPT INPUT OUTPUT TEXTS "
                     "[REFERENCE_OUTPUT REFERENCE_TEXTS]\n");
        return 2;
    }
    try {
        const offline::PluginLibrary library(argv[1]);
        const auto commands = offline::parseScript(readFile(argv[2]), *library.info());
        const std::vector<float> input =
            std::strcmp(argv[3], "-") == 0 ? std::vector<float>{} : toFloats(readFile(argv[3]));
        const offline::ScriptResult result = offline::runScript(library.code(), commands, input);
        writeFile(argv[4], result.output.data(), result.output.size() * sizeof(float));
        writeFile(argv[5], result.texts.data(), result.texts.size());
        std::printf("script runner: %zu frames, %zu bytes of value texts\n",
                    result.output.size() / 2, result.texts.size());
        if (argc == 8) {
            if (!sameAsReference(result, argv[6], argv[7])) return 1;
            std::printf("script runner: identical to the reference, bit for bit\n");
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "script_runner: %s\n", error.what());
        return 1;
    }
}
