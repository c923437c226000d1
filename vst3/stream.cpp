#include "vst3/stream.h"

#include <algorithm>
#include <climits>

namespace vst3 {

bool writeText(v3_bstream** stream, std::string_view text) {
    if (stream == nullptr) return false;
    std::string buffer(text);  // the stream takes a pointer to bytes it may change
    for (size_t at = 0; at < buffer.size();) {
        const auto size = static_cast<int32_t>(std::min<size_t>(buffer.size() - at, INT32_MAX));
        int32_t wrote = 0;
        if (v3_cpp_obj(stream)->write(stream, buffer.data() + at, size, &wrote) != V3_OK ||
            wrote <= 0)
            return false;
        at += static_cast<size_t>(wrote);
    }
    return true;
}

std::optional<std::string> readText(v3_bstream** stream, size_t most) {
    if (stream == nullptr) return std::nullopt;
    std::string text;
    char buffer[4096];
    for (;;) {
        int32_t got = 0;
        const v3_result result =
            v3_cpp_obj(stream)->read(stream, buffer, static_cast<int32_t>(sizeof buffer), &got);
        if (got < 0 || got > static_cast<int32_t>(sizeof buffer)) return std::nullopt;
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > most) return std::nullopt;
        if (result != V3_OK || got == 0) return text;
    }
}

}  // namespace vst3
