// The host's side of a VST 3 session that every test program of ours needs, on every platform:
// a stream over bytes in memory and a block's parameter changes. No test framework here, so the
// Windows plug-in runner takes them too.
#pragma once

#include <travesty/audio_processor.h>
#include <travesty/base.h>
#include <travesty/bstream.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace vst3test {

// The host's objects. Each starts with its table, as the format wants; the tests own them, so
// only a message counts its references.
template <typename Table>
struct Object {
    const Table* table;
};

template <typename Self, const v3_tuid& iid>
v3_result V3_API queryOnly(void* self, const v3_tuid asked, void** out) {
    const bool ours = v3_tuid_match(asked, iid) || v3_tuid_match(asked, v3_funknown_iid);
    *out = ours ? self : nullptr;
    return ours ? V3_OK : V3_NO_INTERFACE;
}
inline uint32_t V3_API counted(void*) { return 1; }

// A stream over bytes in memory.
struct StreamTable : v3_funknown {
    v3_bstream stream;
};
struct Stream : Object<StreamTable> {
    explicit Stream(std::string text = {});
    std::string bytes;
    size_t at = 0;
};
inline Stream::Stream(std::string text) : bytes(std::move(text)) {
    static const StreamTable table = {
        {queryOnly<Stream, v3_bstream_iid>, counted, counted},
        {[](void* self, void* buffer, int32_t size, int32_t* got) -> v3_result {
             auto& s = *static_cast<Stream*>(self);
             const size_t n = std::min(static_cast<size_t>(size), s.bytes.size() - s.at);
             std::memcpy(buffer, s.bytes.data() + s.at, n);
             s.at += n;
             if (got) *got = static_cast<int32_t>(n);
             return V3_OK;
         },
         [](void* self, void* buffer, int32_t size, int32_t* wrote) -> v3_result {
             auto& s = *static_cast<Stream*>(self);
             s.bytes.replace(s.at, static_cast<size_t>(size), static_cast<const char*>(buffer),
                             static_cast<size_t>(size));
             s.at += static_cast<size_t>(size);
             if (wrote) *wrote = size;
             return V3_OK;
         },
         [](void* self, int64_t position, int32_t, int64_t* result) -> v3_result {
             static_cast<Stream*>(self)->at = static_cast<size_t>(position);
             if (result) *result = position;
             return V3_OK;
         },
         [](void* self, int64_t* position) -> v3_result {
             *position = static_cast<int64_t>(static_cast<Stream*>(self)->at);
             return V3_OK;
         }}};
    this->table = &table;
}

// A block's parameter changes: a queue of points for each parameter.
struct Queue : Object<v3_param_value_queue_cpp> {
    v3_param_id id = 0;
    std::vector<std::pair<int32_t, double>> points;
};
struct Changes : Object<v3_param_changes_cpp> {
    Changes();
    void add(int id, int32_t frame, double normalisedValue);
    std::vector<Queue> queues;
};
inline void Changes::add(int id, int32_t frame, double value) {
    static const v3_param_value_queue_cpp table = {
        {queryOnly<Queue, v3_param_value_queue_iid>, counted, counted},
        {[](void* self) { return static_cast<Queue*>(self)->id; },
         [](void* self) { return static_cast<int32_t>(static_cast<Queue*>(self)->points.size()); },
         [](void* self, int32_t index, int32_t* offset, double* v) -> v3_result {
             const auto& points = static_cast<Queue*>(self)->points;
             if (index < 0 || static_cast<size_t>(index) >= points.size()) return V3_INVALID_ARG;
             std::tie(*offset, *v) = points[static_cast<size_t>(index)];
             return V3_OK;
         },
         [](void*, int32_t, double, int32_t*) -> v3_result { return V3_NOT_IMPLEMENTED; }}};
    auto queue = std::find_if(queues.begin(), queues.end(),
                              [&](const Queue& q) { return q.id == static_cast<v3_param_id>(id); });
    if (queue == queues.end()) {
        queues.push_back({});
        queue = queues.end() - 1;
        queue->table = &table;
        queue->id = static_cast<v3_param_id>(id);
    }
    queue->points.emplace_back(frame, value);
}
inline Changes::Changes() {
    static const v3_param_changes_cpp table = {
        {queryOnly<Changes, v3_param_changes_iid>, counted, counted},
        {[](void* self) {
             return static_cast<int32_t>(static_cast<Changes*>(self)->queues.size());
         },
         [](void* self, int32_t index) -> v3_param_value_queue** {
             auto& queues = static_cast<Changes*>(self)->queues;
             if (index < 0 || static_cast<size_t>(index) >= queues.size()) return nullptr;
             return reinterpret_cast<v3_param_value_queue**>(&queues[static_cast<size_t>(index)]);
         },
         [](void*, v3_param_id*, int32_t*) -> v3_param_value_queue** { return nullptr; }}};
    this->table = &table;
}

}  // namespace vst3test
