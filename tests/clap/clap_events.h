// What our small CLAP hosts hand the plug-in: one block's input events (parameter values and the
// host's tempo at their frames) and a host that offers nothing and asks for nothing.
#pragma once

#include <clap/events.h>
#include <clap/host.h>

#include <cstdint>
#include <vector>

namespace claptest {

// A parameter's value, or (`tempo`) the host's tempo, from a frame of the whole run on.
struct Event {
    uint32_t frame;
    uint32_t id;
    double value;
    bool tempo = false;
};

// The input events of one block, as the host hands them over.
class InputEvents {
  public:
    explicit InputEvents(const std::vector<Event>& events) {
        for (const Event& e : events) {
            Stored s{};
            if (e.tempo) {
                s.transport.header = {sizeof(clap_event_transport_t), e.frame,
                                      CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
                s.transport.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_IS_PLAYING;
                s.transport.tempo = e.value;
            } else {
                s.param.header = {sizeof(clap_event_param_value_t), e.frame,
                                  CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
                s.param.param_id = e.id;
                s.param.note_id = -1;
                s.param.port_index = s.param.channel = s.param.key = -1;
                s.param.value = e.value;
            }
            stored_.push_back(s);
        }
        list.ctx = const_cast<InputEvents*>(this);
        list.size = [](const clap_input_events_t* l) {
            return static_cast<uint32_t>(static_cast<const InputEvents*>(l->ctx)->stored_.size());
        };
        list.get = [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
            return &static_cast<const InputEvents*>(l->ctx)->stored_[i].header;
        };
    }
    clap_input_events_t list{};

  private:
    union Stored {
        clap_event_header_t header;
        clap_event_param_value_t param;
        clap_event_transport_t transport;
    };
    std::vector<Stored> stored_;
};

// A host named NAME with no extensions, which ignores the plug-in's requests.
inline clap_host_t quietHost(const char* name) {
    return {CLAP_VERSION_INIT,
            nullptr,
            name,
            "",
            "",
            "1",
            [](const clap_host_t*, const char*) -> const void* { return nullptr; },
            [](const clap_host_t*) {},
            [](const clap_host_t*) {},
            [](const clap_host_t*) {}};
}

}  // namespace claptest
