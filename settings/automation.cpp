#include "settings/automation.h"

#include <charconv>
#include <sstream>

#include "settings/settings_error.h"

namespace settings {

AutomationText parseAutomation(const std::string& text, const std::string& source,
                               const ParameterTable& table) {
    AutomationText automation;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::istringstream tokens(line.substr(0, line.find('#')));
        std::string token;
        if (!(tokens >> token)) continue;
        const auto where = [&] { return source + ":" + std::to_string(number) + ": "; };
        int64_t tick = -1;
        auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), tick);
        if (error != std::errc() || end != token.data() + token.size() || tick < 0)
            throw SettingsError(where() + "expected a tick number, got '" + token + "'");
        std::vector<Assignment>& values = automation[tick];
        bool any = false;
        while (tokens >> token) {
            if (token.find('=') == std::string::npos)
                throw SettingsError(where() + "expected NAME=VALUE, got '" + token +
                                    "' (write spaces in names and values as underscores)");
            values.push_back(
                parseAssignmentText(token, table, source + ":" + std::to_string(number)));
            any = true;
        }
        if (!any) throw SettingsError(where() + "tick " + std::to_string(tick) + " sets nothing");
    }
    return automation;
}

Automation resolveAutomation(const AutomationText& text, ValueResolver& resolver,
                             std::vector<int> values) {
    Automation automation;
    for (const auto& [tick, assignments] : text)
        automation[tick] = resolver.apply(assignments, values);
    return automation;
}

}  // namespace settings
