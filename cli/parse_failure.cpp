#include "cli/parse_failure.h"

#include "cli/number_options.h"
#include "core/quoted_text.h"

namespace cli {

namespace {

bool takesValue(const CLI::Option& option) { return option.get_type_size_min() > 0; }

// The option `name` ("--bpm", "-t") of `command` or of the program; short flags may be run
// together ("-qt wav"), and then the first one stands for them.
const CLI::Option* optionNamed(const CLI::App& app, const CLI::App& command,
                               const std::string& name) {
    const CLI::Option* known = command.get_option_no_throw(name);
    if (known == nullptr) known = app.get_option_no_throw(name);
    if (known == nullptr && name.size() > 2 && name[1] != '-')
        known = command.get_option_no_throw(name.substr(0, 2));
    return known;
}

std::string noOption(const CLI::App* command, const std::string& name) {
    const std::string prefix = command != nullptr ? command->get_name() + " " : std::string();
    return (command != nullptr ? command->get_name() + ": " : std::string()) + "no option " +
           core::quoted(name) + "; 'tarvo-delay " + prefix + "--help' lists the options";
}

std::string noSubcommand(const CLI::App& app, const std::string& name) {
    std::string names;
    const auto all = app.get_subcommands([](const CLI::App*) { return true; });
    for (size_t i = 0; i < all.size(); ++i)
        names += (i == 0 ? "" : i + 1 == all.size() ? " and " : ", ") + all[i]->get_name();
    return "no subcommand " + core::quoted(name) + "; the subcommands are " + names +
           " ('tarvo-delay --help' describes them)";
}

}  // namespace

std::string parseFailure(const CLI::App& app, const std::vector<std::string>& arguments) {
    const CLI::App* command = nullptr;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") break;
        if (argument.size() > 1 && argument[0] == '-' && !decimalNumber(argument)) {
            const std::string name = argument.substr(0, argument.find('='));
            const CLI::Option* known = optionNamed(app, command != nullptr ? *command : app, name);
            if (known == nullptr) return noOption(command, name);
            const bool attached = name != argument || (argument[1] != '-' && argument.size() > 2);
            if (takesValue(*known) && !attached) ++i;  // its value, whatever it looks like
        } else if (command == nullptr) {
            const auto named = app.get_subcommands(
                [&](const CLI::App* sub) { return sub->get_name() == argument; });
            if (named.empty()) return noSubcommand(app, argument);
            command = named.front();
        }  // else IN, OUT or SCRIPT
    }
    return "";
}

}  // namespace cli
