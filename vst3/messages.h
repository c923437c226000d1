// What the processor and the edit controller tell each other through the connection the host
// sets up between them, in messages the host makes: the processor the sample rate, on which the
// controller's texts and readings depend; the controller every value the host sets on it, so
// that the processor's state holds it even before the host has processed a block.
#pragma once

#include <travesty/host.h>
#include <travesty/message.h>

#include <cstdint>
#include <optional>
#include <utility>

namespace vst3 {

// Nothing happens without a host that makes messages or without a connection.
void sendRate(v3_host_application** host, v3_connection_point** peer, int32_t rate);
void sendValue(v3_host_application** host, v3_connection_point** peer, int id, double plain);

// What a message of ours carries; none for any other message.
std::optional<int32_t> rateIn(v3_message** message);
std::optional<std::pair<int, double>> valueIn(v3_message** message);

}  // namespace vst3
