#include "vst3/messages.h"

#include <cmath>
#include <cstring>

#include "formats/controls.h"

namespace vst3 {

namespace {

constexpr const char* kRateMessage = "Tarvo Delay sample rate";
constexpr const char* kValueMessage = "Tarvo Delay value";
constexpr const char* kRate = "rate";
constexpr const char* kId = "id";
constexpr const char* kValue = "value";

// A message the host makes, filled by `fill` and sent to the peer.
template <typename Fill>
void send(v3_host_application** host, v3_connection_point** peer, const char* id, Fill fill) {
    if (host == nullptr || peer == nullptr) return;
    v3_tuid iid;
    std::memcpy(iid, v3_message_iid, sizeof iid);
    void* made = nullptr;
    if (v3_cpp_obj(host)->create_instance(host, iid, iid, &made) != V3_OK || made == nullptr)
        return;
    auto** message = static_cast<v3_message**>(made);
    v3_cpp_obj(message)->set_message_id(message, id);
    v3_attribute_list** attributes = v3_cpp_obj(message)->get_attributes(message);
    if (attributes != nullptr && fill(attributes)) v3_cpp_obj(peer)->notify(peer, message);
    v3_cpp_obj_unref(message);
}

// The attributes of a message of ours named `id`, or null.
v3_attribute_list** attributesOf(v3_message** message, const char* id) {
    if (message == nullptr) return nullptr;
    const char* named = v3_cpp_obj(message)->get_message_id(message);
    if (named == nullptr || std::strcmp(named, id) != 0) return nullptr;
    return v3_cpp_obj(message)->get_attributes(message);
}

}  // namespace

void sendRate(v3_host_application** host, v3_connection_point** peer, int32_t rate) {
    send(host, peer, kRateMessage,
         [&](v3_attribute_list** a) { return v3_cpp_obj(a)->set_int(a, kRate, rate) == V3_OK; });
}

void sendValue(v3_host_application** host, v3_connection_point** peer, int id, double plain) {
    send(host, peer, kValueMessage, [&](v3_attribute_list** a) {
        return v3_cpp_obj(a)->set_int(a, kId, id) == V3_OK &&
               v3_cpp_obj(a)->set_float(a, kValue, plain) == V3_OK;
    });
}

std::optional<int32_t> rateIn(v3_message** message) {
    v3_attribute_list** attributes = attributesOf(message, kRateMessage);
    int64_t rate = 0;
    if (attributes == nullptr ||
        v3_cpp_obj(attributes)->get_int(attributes, kRate, &rate) != V3_OK || rate < 1 ||
        rate > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(rate);
}

std::optional<std::pair<int, double>> valueIn(v3_message** message) {
    v3_attribute_list** attributes = attributesOf(message, kValueMessage);
    int64_t id = -1;
    double value = 0.0;
    if (attributes == nullptr || v3_cpp_obj(attributes)->get_int(attributes, kId, &id) != V3_OK ||
        v3_cpp_obj(attributes)->get_float(attributes, kValue, &value) != V3_OK || id < 0 ||
        id >= formats::kControlCount || !std::isfinite(value))
        return std::nullopt;
    return std::pair{static_cast<int>(id), value};
}

}  // namespace vst3
