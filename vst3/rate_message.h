// The sample rate, from the processor to the edit controller, whose texts and readings depend on
// it: a message the host makes, sent through the connection the host sets up between the two.
#pragma once

#include <travesty/host.h>
#include <travesty/message.h>

#include <cstdint>
#include <optional>

namespace vst3 {

// Nothing happens without a host that makes messages or without a connection.
void sendRate(v3_host_application** host, v3_connection_point** peer, int32_t rate);

// The rate a message of ours carries; none for any other message.
std::optional<int32_t> rateIn(v3_message** message);

}  // namespace vst3
