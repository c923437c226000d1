#include "settings/start_settings.h"

namespace settings {

StartSettings startSettings(std::optional<Preset> preset, const std::vector<std::string>& sets,
                            const ParameterTable& table) {
    StartSettings settings;
    settings.preset = std::move(preset);
    for (const std::string& set : sets)
        settings.sets.push_back(parseAssignmentText(set, table, "--set"));
    return settings;
}

StartValues resolve(const StartSettings& settings, ValueResolver& resolver) {
    StartValues start{resolver.defaults(), {}};
    // Read together: a mode parameter reads with the mode its side ends up with, whether the
    // preset or a --set sets it.
    std::vector<Assignment> all;
    if (settings.preset) all = settings.preset->assignments;
    all.insert(all.end(), settings.sets.begin(), settings.sets.end());
    start.assigned = resolver.apply(all, start.values);
    return start;
}

}  // namespace settings
