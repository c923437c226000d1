// What the LV2 plug-in is to its hosts: its URI and its ports, in index order. The wrapper,
// the description generator and the tests all read them from here.
#pragma once

#include <cstdint>

#include "machine/parameters.h"

namespace lv2port {

inline constexpr const char* kPluginUri = "https://tarvo-audio.org/lv2/tarvo-delay";
inline constexpr const char* kBinaryName = "tarvo-delay.so";
inline constexpr const char* kDescriptionFile = "tarvo-delay.ttl";
inline constexpr const char* kLicenseUri = "https://spdx.org/licenses/ISC";

// Audio in left/right, audio out left/right, the machine's parameters in table order, our own
// tempo controls, the time event input.
enum Index : uint32_t {
    InLeft,
    InRight,
    OutLeft,
    OutRight,
    FirstParameter,
    Tempo = FirstParameter + kParameterCount,
    TicksPerBeat,
    Control,
    kCount
};

}  // namespace lv2port
