// The file format a render writes: the container from --type or else OUT's extension, the
// sample format from --subtype (32-bit float unless the container cannot hold it).
#pragma once

#include <string>

namespace files {

enum class SampleFormat { Default, Pcm16, Pcm24, Float };

struct OutputFormat {
    int sndfileFormat = 0;  // container | sample format, as libsndfile names them
    int pcmBits = 0;        // 16 or 24 for PCM, else 0
    std::string description;
    std::string containerName;  // "WAV", "FLAC", ...
    bool holdsFloat = false;    // the container can hold 32-bit float samples
    bool sizes32 = false;       // its size fields have 32 bits: it ends at 4 GiB
};

// The type names --type takes: wav, flac, aiff, ogg, raw, ... (the extensions).
std::string outputTypeNames();

// `type` (from --type) when given, else OUT's extension; "-" (standard output) needs a type.
// FormatError when neither names a container or it cannot hold the sample format.
OutputFormat outputFormatFor(const std::string& path, const std::string& type,
                             SampleFormat sampleFormat);

// "pcm16", "pcm24", "float" (any case); FormatError otherwise.
SampleFormat parseSampleFormat(const std::string& name);

}  // namespace files
