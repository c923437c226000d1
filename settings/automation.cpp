#include "settings/automation.h"

#include <charconv>
#include <limits>
#include <sstream>

#include "core/quoted_text.h"
#include "core/text_lines.h"
#include "settings/settings_error.h"

namespace settings {

AutomationText parseAutomation(const std::string& text, const std::string& source,
                               const ParameterTable& table) {
    AutomationText automation;
    for (const core::TextLine& line : core::textLines(text)) {
        const std::string at = source + ":" + std::to_string(line.number);
        const auto where = [&] { return at + ": "; };
        if (const std::string nul = core::nulByteProblem(line.text); !nul.empty())
            throw SettingsError(where() + nul);
        std::istringstream tokens(std::string(line.text.substr(0, line.text.find('#'))));
        std::string token;
        if (!(tokens >> token)) continue;
        int64_t tick = -1;
        auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), tick);
        if (error == std::errc::result_out_of_range && end == token.data() + token.size() &&
            token.front() != '-')
            throw SettingsError(where() + "tick " + core::quoted(token) +
                                " is too large; ticks count up to " +
                                std::to_string(std::numeric_limits<int64_t>::max()));
        if (error != std::errc() || end != token.data() + token.size() || tick < 0)
            throw SettingsError(where() + "expected a tick number, got " + core::quoted(token));
        std::vector<Assignment>& values = automation[tick];
        bool any = false;
        while (tokens >> token) {
            if (token.find('=') == std::string::npos)
                throw SettingsError(where() + "expected NAME=VALUE, got " + core::quoted(token) +
                                    " (write spaces in names and values as underscores)");
            values.push_back(parseAssignmentText(token, table, at));
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
