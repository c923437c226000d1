#include "files/output_format.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "core/quoted_text.h"
#include "files/file_error.h"

namespace files {

namespace {

struct Container {
    const char* extension;
    int format;
    const char* name;
    bool sizes32;  // 32-bit size fields (WAV is written as RF64 when it grows past them)
};

constexpr Container kContainers[] = {
    {"wav", SF_FORMAT_WAV, "WAV", false},    {"wave", SF_FORMAT_WAV, "WAV", false},
    {"rf64", SF_FORMAT_RF64, "RF64", false}, {"w64", SF_FORMAT_W64, "Wave64", false},
    {"aif", SF_FORMAT_AIFF, "AIFF", true},   {"aiff", SF_FORMAT_AIFF, "AIFF", true},
    {"aifc", SF_FORMAT_AIFF, "AIFF", true},  {"au", SF_FORMAT_AU, "AU", true},
    {"snd", SF_FORMAT_AU, "AU", true},       {"caf", SF_FORMAT_CAF, "CAF", false},
    {"flac", SF_FORMAT_FLAC, "FLAC", false}, {"ogg", SF_FORMAT_OGG, "Ogg", false},
    {"oga", SF_FORMAT_OGG, "Ogg", false},    {"raw", SF_FORMAT_RAW, "raw", false},
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
    throw FormatError("--subtype: expected pcm16, pcm24 or float, got " + core::quoted(name));
}

std::string outputTypeNames() { return "wav, flac, aiff, ogg, caf, au, w64, rf64 or raw"; }

OutputFormat outputFormatFor(const std::string& path, const std::string& type,
                             SampleFormat sampleFormat) {
    std::string extension = lower(std::filesystem::path(path).extension().string());
    if (!extension.empty()) extension.erase(0, 1);
    if (path == "-") extension.clear();
    const std::string key = type.empty() ? extension : lower(type);
    const auto* container = std::find_if(std::begin(kContainers), std::end(kContainers),
                                         [&](const Container& c) { return key == c.extension; });
    if (container == std::end(kContainers) && !type.empty())
        throw FormatError("--type: expected " + outputTypeNames() + ", got " + core::quoted(type));
    if (container == std::end(kContainers) && path == "-")
        throw FormatError("standard output has no extension to tell its format; give -t " +
                          outputTypeNames());
    if (container == std::end(kContainers))
        throw FormatError("cannot tell the output format from '" + path + "'; use .wav, .flac, " +
                          ".aiff, .ogg, .caf, .au, .w64 or .rf64, or give -t/--type");

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
        throw FormatError(std::string(container->name) + " files cannot hold " +
                          (encoding != nullptr ? encoding->name : "these samples"));
    OutputFormat format;
    format.sndfileFormat = container->format | encoding->subtype;
    format.pcmBits = encoding->pcmBits;
    format.description = std::string(container->name) + ", " + encoding->name;
    format.containerName = container->name;
    format.holdsFloat = holds(container->format, kFloat);
    format.sizes32 = container->sizes32;
    return format;
}

}  // namespace files
