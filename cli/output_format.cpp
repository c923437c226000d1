#include "cli/output_format.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "cli/cli_error.h"

namespace cli {

namespace {

struct Container {
    const char* extension;
    int format;
    const char* name;
};

constexpr Container kContainers[] = {
    {"wav", SF_FORMAT_WAV, "WAV"},    {"wave", SF_FORMAT_WAV, "WAV"},
    {"rf64", SF_FORMAT_RF64, "RF64"}, {"w64", SF_FORMAT_W64, "Wave64"},
    {"aif", SF_FORMAT_AIFF, "AIFF"},  {"aiff", SF_FORMAT_AIFF, "AIFF"},
    {"aifc", SF_FORMAT_AIFF, "AIFF"}, {"au", SF_FORMAT_AU, "AU"},
    {"snd", SF_FORMAT_AU, "AU"},      {"caf", SF_FORMAT_CAF, "CAF"},
    {"flac", SF_FORMAT_FLAC, "FLAC"}, {"ogg", SF_FORMAT_OGG, "Ogg"},
    {"oga", SF_FORMAT_OGG, "Ogg"},
};

struct Encoding {
    int subtype;
    int pcmBits;
    const char* name;
};

constexpr Encoding kFloat{SF_FORMAT_FLOAT, 0, "32-bit float"};
constexpr Encoding kPcm16{SF_FORMAT_PCM_16, 16, "16-bit PCM"};
constexpr Encoding kPcm24{SF_FORMAT_PCM_24, 24, "24-bit PCM"};
constexpr Encoding kVorbis{SF_FORMAT_VORBIS, 0, "Vorbis"};

bool holds(int container, const Encoding& encoding) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = container | encoding.subtype;
    return sf_format_check(&info) == SF_TRUE;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

SampleFormat parseSampleFormat(const std::string& name) {
    const std::string key = lower(name);
    if (key == "pcm16") return SampleFormat::Pcm16;
    if (key == "pcm24") return SampleFormat::Pcm24;
    if (key == "float") return SampleFormat::Float;
    throw UsageError("--subtype: expected pcm16, pcm24 or float, got '" + name + "'");
}

OutputFormat outputFormatFor(const std::string& path, SampleFormat sampleFormat) {
    std::string extension = lower(std::filesystem::path(path).extension().string());
    if (!extension.empty()) extension.erase(0, 1);
    const auto* container =
        std::find_if(std::begin(kContainers), std::end(kContainers),
                     [&](const Container& c) { return extension == c.extension; });
    if (container == std::end(kContainers))
        throw UsageError("cannot tell the output format from '" + path +
                         "'; use .wav, .flac, .aiff, .ogg, .caf, .au, .w64 or .rf64");

    // Float when the container holds it, so that nothing clips; else the best it holds.
    const Encoding* choices[] = {&kFloat, &kPcm24, &kVorbis};
    const Encoding* encoding = nullptr;
    switch (sampleFormat) {
        case SampleFormat::Default:
            for (const Encoding* choice : choices)
                if (encoding == nullptr && holds(container->format, *choice)) encoding = choice;
            break;
        case SampleFormat::Pcm16:
            encoding = &kPcm16;
            break;
        case SampleFormat::Pcm24:
            encoding = &kPcm24;
            break;
        case SampleFormat::Float:
            encoding = &kFloat;
            break;
    }
    if (encoding == nullptr || !holds(container->format, *encoding))
        throw UsageError(std::string(container->name) + " files cannot hold " +
                         (encoding != nullptr ? encoding->name : "these samples"));
    OutputFormat format;
    format.sndfileFormat = container->format | encoding->subtype;
    format.pcmBits = encoding->pcmBits;
    format.description = std::string(container->name) + ", " + encoding->name;
    return format;
}

}  // namespace cli
