#include "settings/parameter_table.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "core/hosted_machine.h"
#include "core/quoted_text.h"
#include "settings/settings_error.h"
#include "settings/text_encoding.h"
#include "settings/trimmed.h"

namespace settings {

namespace {

// Byte parameters spanning at most this many values are lists of names, not quantities.
constexpr int kEnumeratedSpan = 15;
constexpr size_t kMaxSuggestions = 3;

std::optional<std::string> textOf(core::HostedMachine& machine, int index, int value) {
    const char* text = machine.valueText(index, value);
    if (text == nullptr) return std::nullopt;
    return windows1252ToUtf8(text);
}

size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string rangeOf(const ParameterInfo& p) {
    std::string text = std::to_string(p.minValue) + ".." + std::to_string(p.maxValue) +
                       " (default " + std::to_string(p.defaultValue);
    if (p.defaultText) text += ", " + *p.defaultText;
    return text + ")";
}

std::string normalizedName(std::string_view text) {
    std::string key;
    for (char c : text) {
        if (c == ' ' || c == '_' || c == '\t') continue;
        key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

ParameterTable::ParameterTable(const core::MachineCode& code) {
    const MachineDescription& info = *code.description;
    core::HostedMachine machine(code, 44100, 5512);
    core::requireMachine(machine);
    for (int i = 0; i < info.globalParameterCount; ++i) {
        const ParameterDescriptor& d = *info.parameters[i];
        ParameterInfo p;
        p.index = i;
        p.name = d.name != nullptr ? d.name : "";
        p.description = d.description != nullptr ? d.description : "";
        p.word = d.type == ParameterWord;
        p.minValue = d.minValue;
        p.maxValue = d.maxValue;
        p.defaultValue = d.defaultValue;
        p.noValue = d.noValue;
        p.enumerated = !p.word && p.maxValue - p.minValue <= kEnumeratedSpan;
        p.defaultText = textOf(machine, i, p.defaultValue);
        if (p.enumerated) {
            for (int v = p.minValue; v <= p.maxValue; ++v) {
                std::optional<std::string> text = textOf(machine, i, v);
                if (!text) {
                    p.valueTexts.clear();
                    break;
                }
                p.valueTexts.push_back(std::move(*text));
            }
        }
        keys_.push_back(normalizedName(p.name));
        parameters_.push_back(std::move(p));
    }
}

int ParameterTable::find(std::string_view name) const {
    name = trimmed(name);
    const int count = static_cast<int>(parameters_.size());
    int index = -1;
    auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), index);
    if (!name.empty() && error == std::errc() && end == name.data() + name.size()) {
        if (index < 0 || index >= count)
            throw SettingsError("parameter index " + core::quoted(name) + " is outside 0.." +
                                std::to_string(count - 1));
        return index;
    }
    const std::string key = normalizedName(name);
    const auto found = std::find(keys_.begin(), keys_.end(), key);
    if (!key.empty() && found != keys_.end()) return static_cast<int>(found - keys_.begin());

    std::string message = "unknown parameter " + core::quoted(name);
    const std::vector<std::string> suggestions = closestNames(key);
    for (size_t i = 0; i < suggestions.size(); ++i)
        message += (i == 0                        ? "; did you mean "
                    : i + 1 == suggestions.size() ? " or "
                                                  : ", ") +
                   ("'" + suggestions[i] + "'");
    if (suggestions.empty()) message += "; 'tarvo-delay params' lists them";
    throw SettingsError(message + (suggestions.empty() ? "" : "?"));
}

std::vector<std::string> ParameterTable::closestNames(const std::string& key) const {
    // Names containing what was typed come first, then those a few edits away.
    const size_t limit = std::max<size_t>(2, key.size() / 3);
    std::vector<std::pair<size_t, int>> ranked;
    for (size_t i = 0; i < keys_.size(); ++i) {
        const bool contains = key.size() >= 3 && keys_[i].find(key) != std::string::npos;
        const size_t distance = contains ? 0 : editDistance(key, keys_[i]);
        if (distance <= limit) ranked.emplace_back(distance, static_cast<int>(i));
    }
    std::sort(ranked.begin(), ranked.end());
    std::vector<std::string> names;
    for (size_t i = 0; i < ranked.size() && i < kMaxSuggestions; ++i)
        names.push_back(parameters_[ranked[i].second].name);
    return names;
}

int ParameterTable::parseValue(int index, std::string_view value) const {
    const ParameterInfo& p = parameters_[index];
    value = trimmed(value);
    long long raw = 0;
    const char* begin = value.data();
    const char* end = begin + value.size();
    if (begin != end && *begin == '+') ++begin;
    auto [stop, error] = std::from_chars(begin, end, raw);
    if (begin != end && stop == end) {
        if (error != std::errc() || raw < p.minValue || raw > p.maxValue)
            throw SettingsError(p.name + ": " + core::quoted(value) + " is outside its range " +
                                rangeOf(p));
        return static_cast<int>(raw);
    }
    if (p.enumerated && !p.valueTexts.empty()) {
        const std::string key = normalizedName(value);
        for (size_t i = 0; i < p.valueTexts.size(); ++i)
            if (normalizedName(p.valueTexts[i]) == key) return p.minValue + static_cast<int>(i);
        std::string names;
        for (const std::string& text : p.valueTexts) names += (names.empty() ? "" : ", ") + text;
        throw SettingsError(p.name + " has no value " + core::quoted(value) + "; it takes " +
                            names + ", or a raw value in " + rangeOf(p));
    }
    throw SettingsError(p.name + ": " + core::quoted(value) + " is not a raw value in " +
                        rangeOf(p));
}

ParameterValue ParameterTable::parseAssignment(std::string_view assignment) const {
    const size_t equals = assignment.find('=');
    if (equals == std::string_view::npos)
        throw SettingsError("expected NAME=VALUE, got " + core::quoted(assignment));
    const int index = find(assignment.substr(0, equals));
    return {index, parseValue(index, assignment.substr(equals + 1))};
}

}  // namespace settings
