// The file format a render writes: the container from OUT's extension, the sample format from
// --subtype (32-bit float unless the container cannot hold it).
#pragma once

#include <string>

namespace cli {

enum class SampleFormat { Default, Pcm16, Pcm24, Float };

struct OutputFormat {
    int sndfileFormat = 0;  // container | sample format, as libsndfile names them
    int pcmBits = 0;        // 16 or 24 for PCM, else 0
    std::string description;
};

// UsageError when the extension is unknown or the container cannot hold the sample format.
OutputFormat outputFormatFor(const std::string& path, SampleFormat sampleFormat);

// "pcm16", "pcm24", "float" (any case); UsageError otherwise.
SampleFormat parseSampleFormat(const std::string& name);

}  // namespace cli
