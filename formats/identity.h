// What the plug-in is called in every format, and who makes it: the names come from the
// machine's own description; the version, the description and each format's identifier are
// written here once.
#pragma once

#include <cstdint>

namespace formats {

// Even minor numbers: a released version (odd ones mark development versions to LV2 hosts).
inline constexpr int kMajorVersion = 0;
inline constexpr int kMinorVersion = 2;
inline constexpr int kMicroVersion = 0;
inline constexpr const char* kVersion = "0.2.0";

inline constexpr const char* kProjectUrl = "https://tarvo-audio.org/tarvo-delay";
inline constexpr const char* kDescription =
    "Stereo delay with offset lines and feedback loops, six delay modes, chorus, a resonant "
    "filter with its own oscillator, sample-and-hold and an auto-panner. Delay times in ticks "
    "follow the host's tempo.";

// The CLAP plug-in's id, reverse-domain style.
inline constexpr const char* kClapId = "org.tarvo-audio.tarvo-delay";

// The VST 3 classes' ids: the audio processor (the component hosts look up) and the edit
// controller, sixteen bytes each as the hosts' registries store them.
inline constexpr uint8_t kVst3ProcessorId[16] = {0x54, 0x61, 0x72, 0x76, 0x6f, 0x44, 0x6c, 0x79,
                                                 0x9c, 0x2e, 0x41, 0x07, 0xb3, 0x5a, 0x01, 0x50};
inline constexpr uint8_t kVst3ControllerId[16] = {0x54, 0x61, 0x72, 0x76, 0x6f, 0x44, 0x6c, 0x79,
                                                  0x9c, 0x2e, 0x41, 0x07, 0xb3, 0x5a, 0x01, 0x51};

}  // namespace formats
