// A block's parameter changes in frame order. The host gives one queue of points (frame,
// normalised value) for each parameter that changes; the queues are merged by frame with a
// cursor for each, so that nothing is stored but the cursors and nothing allocates. Points at
// one frame come in the queues' order; a queue's own points in theirs.
#pragma once

#include <travesty/audio_processor.h>

#include <cstdint>

namespace vst3 {

// The most queues a block's changes are taken from: one for each parameter, and room for a host
// that sends a parameter's in several.
inline constexpr int kMostQueues = 128;

// Every point of the queues of parameters below `listed`, to `take(id, frame, normalised)`.
template <typename Take>
void forEachPoint(v3_param_changes** changes, uint32_t listed, Take take) {
    if (changes == nullptr) return;
    struct Cursor {
        v3_param_value_queue** queue;
        v3_param_id id;
        int32_t next, count;
        int32_t frame;
        double value;
    };
    Cursor cursors[kMostQueues];
    int open = 0;
    const auto read = [](Cursor& c) {
        if (c.next >= c.count) return false;
        if (v3_cpp_obj(c.queue)->get_point(c.queue, c.next, &c.frame, &c.value) != V3_OK)
            return false;
        ++c.next;
        return true;
    };
    const int32_t queues = v3_cpp_obj(changes)->get_param_count(changes);
    for (int32_t q = 0; q < queues && open < kMostQueues; ++q) {
        v3_param_value_queue** queue = v3_cpp_obj(changes)->get_param_data(changes, q);
        if (queue == nullptr) continue;
        Cursor c{queue, v3_cpp_obj(queue)->get_param_id(queue),
                 0,     v3_cpp_obj(queue)->get_point_count(queue),
                 0,     0.0};
        if (c.id < listed && read(c)) cursors[open++] = c;
    }
    while (open > 0) {
        int first = 0;
        for (int i = 1; i < open; ++i)
            if (cursors[i].frame < cursors[first].frame) first = i;
        Cursor& c = cursors[first];
        take(c.id, c.frame > 0 ? static_cast<uint32_t>(c.frame) : 0u, c.value);
        if (!read(c)) {
            for (int i = first + 1; i < open; ++i) cursors[i - 1] = cursors[i];
            --open;
        }
    }
}

}  // namespace vst3
