#include "vst3/rate_message.h"

#include <cstring>

namespace vst3 {

namespace {

constexpr const char* kRateMessage = "Tarvo Delay sample rate";
constexpr const char* kRate = "rate";

}  // namespace

void sendRate(v3_host_application** host, v3_connection_point** peer, int32_t rate) {
    if (host == nullptr || peer == nullptr) return;
    v3_tuid iid;
    std::memcpy(iid, v3_message_iid, sizeof iid);
    void* made = nullptr;
    if (v3_cpp_obj(host)->create_instance(host, iid, iid, &made) != V3_OK || made == nullptr)
        return;
    auto** message = static_cast<v3_message**>(made);
    v3_cpp_obj(message)->set_message_id(message, kRateMessage);
    v3_attribute_list** attributes = v3_cpp_obj(message)->get_attributes(message);
    if (attributes != nullptr && v3_cpp_obj(attributes)->set_int(attributes, kRate, rate) == V3_OK)
        v3_cpp_obj(peer)->notify(peer, message);
    v3_cpp_obj_unref(message);
}

std::optional<int32_t> rateIn(v3_message** message) {
    if (message == nullptr) return std::nullopt;
    const char* id = v3_cpp_obj(message)->get_message_id(message);
    if (id == nullptr || std::strcmp(id, kRateMessage) != 0) return std::nullopt;
    v3_attribute_list** attributes = v3_cpp_obj(message)->get_attributes(message);
    int64_t rate = 0;
    if (attributes == nullptr ||
        v3_cpp_obj(attributes)->get_int(attributes, kRate, &rate) != V3_OK || rate < 1 ||
        rate > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(rate);
}

}  // namespace vst3
