#include "settings/assignments.h"

#include <cstdio>

#include "core/quoted_text.h"
#include "machine/parameters.h"
#include "settings/settings_error.h"

namespace settings {

Assignment parseAssignmentText(std::string_view text, const ParameterTable& table,
                               std::string source) {
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        throw SettingsError(source + ": expected NAME=VALUE, got " + core::quoted(text));
    try {
        return Assignment{table.find(text.substr(0, equals)), std::string(text.substr(equals + 1)),
                          std::move(source)};
    } catch (const SettingsError& e) {
        throw SettingsError(source + ": " + e.what());
    }
}

ValueResolver::ValueResolver(const ParameterTable& table, ValueTexts& texts,
                             const ValueContext& context, bool quiet)
    : table_(table), texts_(texts), context_(context), quiet_(quiet) {}

std::vector<int> ValueResolver::defaults() const {
    std::vector<int> values;
    for (const ParameterInfo& p : table_.parameters()) values.push_back(p.defaultValue);
    return values;
}

int ValueResolver::sideMode(int index, const std::vector<int>& values) const {
    if (index == ParamModeParamLeft) return values[ParamModeLeft];
    if (index == ParamModeParamRight) return values[ParamModeRight];
    return -1;
}

const std::string& ValueResolver::text(int index, int raw, const std::vector<int>& values) {
    const ParameterInfo& p = table_[index];
    return texts_.table(index, p.minValue, p.maxValue, context_.sampleRate, sideMode(index, values))
        .text(raw);
}

bool ValueResolver::readsBack(int index, int raw, const std::vector<int>& values) {
    const ParameterInfo& p = table_[index];
    const TextTable& t =
        texts_.table(index, p.minValue, p.maxValue, context_.sampleRate, sideMode(index, values));
    return t.find(t.text(raw)) == raw;
}

std::vector<ParameterValue> ValueResolver::apply(const std::vector<Assignment>& assignments,
                                                 std::vector<int>& values) {
    std::vector<ParameterValue> read(assignments.size());
    // The mode parameters' texts follow the modes, so they are read last.
    for (const bool modeParameters : {false, true}) {
        for (size_t i = 0; i < assignments.size(); ++i) {
            const Assignment& a = assignments[i];
            const bool isModeParameter = sideMode(a.index, values) >= 0;
            if (isModeParameter != modeParameters) continue;
            const ParameterInfo& p = table_[a.index];
            ReadValue value;
            try {
                value = readValue(p, a.value, context_, sideMode(a.index, values), texts_);
            } catch (const SettingsError& e) {
                throw SettingsError(a.source + ": " + e.what());
            }
            read[i] = {a.index, value.raw};
            if (!modeParameters) values[static_cast<size_t>(a.index)] = value.raw;
            if (!value.exact && !quiet_) {
                const std::string notice = p.name + "=" + a.value + ": " +
                                           text(a.index, value.raw, values) + " (raw " +
                                           std::to_string(value.raw) + ")";
                if (noticed_.insert(notice).second)
                    std::fprintf(stderr, "tarvo-delay: %s\n", notice.c_str());
            }
        }
    }
    for (const ParameterValue& value : read)
        values[static_cast<size_t>(value.first)] = value.second;
    return read;
}

}  // namespace settings
