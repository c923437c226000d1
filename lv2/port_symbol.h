// A parameter's LV2 port symbol: its name lower-cased, every run of characters other than
// letters and digits turned into one underscore ("PAN PosL A" becomes "pan_posl_a").
#pragma once

#include <string>
#include <string_view>

namespace lv2port {

inline std::string symbolFor(std::string_view name) {
    std::string symbol;
    bool inRun = false;
    for (const char c : name) {
        const bool letterOrDigit =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (letterOrDigit) {
            symbol += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        } else if (!inRun) {
            symbol += '_';
        }
        inRun = !letterOrDigit;
    }
    return symbol;
}

}  // namespace lv2port
