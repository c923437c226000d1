#include "files/sndfile_messages.h"

#include <cctype>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string_view>

namespace files {

namespace {

std::string lower(std::string_view text) {
    std::string out;
    for (char c : text) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// A value below 1 the header log gives, as in "  Sample Rate   : 0" for "sample rate": what
// libsndfile refuses a header for without saying which.
std::optional<long long> headerValueBelowOne(const std::string& log, const std::string& key) {
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos || lower(trimmed(line.substr(0, colon))) != key) continue;
        const std::string value(trimmed(line.substr(colon + 1)));
        char* end = nullptr;
        const long long number = std::strtoll(value.c_str(), &end, 10);
        if (!value.empty() && *end == '\0' && number < 1) return number;
    }
    return std::nullopt;
}

}  // namespace

std::string withoutPrefix(const char* message) {
    std::string_view text = message;
    for (std::string_view prefix : {"Internal error : ", "System error : ", "Error : "})
        if (text.starts_with(prefix)) text.remove_prefix(prefix.size());
    if (text.ends_with('.')) text.remove_suffix(1);
    return std::string(text);
}

std::string openFailure() {
    const int error = sf_error(nullptr);
    const std::string message = withoutPrefix(sf_strerror(nullptr));
    if (error == SF_ERR_SYSTEM) return message;
    // A refused open leaves the log of what the header said.
    char log[16384] = {};
    sf_command(nullptr, SFC_GET_LOG_INFO, log, sizeof log - 1);
    if (error == SF_ERR_UNRECOGNISED_FORMAT) {
        if (headerValueBelowOne(log, "length") == 0) return "it is empty";
        return "it is in no format libsndfile reads";
    }
    if (const auto rate = headerValueBelowOne(log, "sample rate"))
        return "the header gives a sample rate of " + std::to_string(*rate);
    if (const auto channels = headerValueBelowOne(log, "channels"))
        return "the header gives " + std::to_string(*channels) + " channels";
    return message;
}

}  // namespace files
