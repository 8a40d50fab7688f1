#include "cli/Usage.h"

#include <fmt/format.h>

namespace {

constexpr std::size_t kNameColumn = 28;  // as the main help's

void AddNames(const CLI::App& app, std::vector<std::string>& names) {
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames()) {
            names.push_back("--" + name);
        }
    }
}

}  // namespace

std::vector<std::string> KnownOptions(const CLI::App& app) {
    std::vector<std::string> names;
    AddNames(app, names);
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
        AddNames(*command, names);
    }
    return names;
}

std::string LineOptionsHelp(const CLI::App& app) {
    std::string text = "Line options (before or after the command word):\n";
    for (const CLI::Option* option : app.get_options()) {
        if (option == app.get_help_ptr() || option == app.get_version_ptr() || option->get_lnames().empty()) {
            continue;
        }
        std::string name = "--" + option->get_lnames().front();
        if (option->get_type_size() != 0) {
            name += " " + option->get_type_name();
        }
        text += fmt::format("  {:<{}}{}\n", name, kNameColumn - 2, option->get_description());
    }
    return text;
}
