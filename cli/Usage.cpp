#include "cli/Usage.h"

#include <fmt/format.h>

#include <algorithm>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

namespace {

constexpr std::size_t kNameColumn = 28;  // as the main help's

void AddNames(const CLI::App& app, std::vector<std::string>& names) {
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames()) {
            names.push_back("--" + name);
        }
    }
}

// "'a', 'b'"
std::string Quoted(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "'" : ", '") + word + "'";
    }
    return text;
}

// The words CLI11 did not expect (it lists them in no useful order), as given on the command line.
std::string UnexpectedText(const std::string& listed, const std::vector<std::string>& args) {
    std::istringstream stream(listed);
    const std::set<std::string> words{std::istream_iterator<std::string>(stream), {}};
    std::vector<std::string> options;
    std::vector<std::string> others;
    for (const std::string& arg : args) {
        std::vector<std::string>& kind = arg.starts_with('-') ? options : others;
        if (words.contains(arg) && std::find(kind.begin(), kind.end(), arg) == kind.end()) {
            kind.push_back(arg);
        }
    }
    std::string text;
    if (!options.empty()) {
        text = (options.size() == 1 ? "unknown option " : "unknown options ") + Quoted(options);
    }
    if (!others.empty()) {
        text += (text.empty() ? "" : "; ") +
                std::string(others.size() == 1 ? "unexpected word " : "unexpected words ") + Quoted(others);
    }
    return text.empty() ? "unexpected " + listed : text;
}

}  // namespace

std::string ParserErrorText(std::string_view what, const std::vector<std::string>& args,
                            const std::vector<std::string>& commands) {
    static const std::regex kUnexpected("The following arguments? (?:was|were) not expected: (.*)");
    static const std::regex kTooOften(R"((\S+): At Most \d+ required but received (\d+))");
    static const std::regex kNoValue(R"((\S+): \d+ required (\S+) missing)");
    const std::string text(what);
    std::smatch match;
    if (std::regex_match(text, match, kUnexpected)) {
        return UnexpectedText(match[1], args);
    }
    if (std::regex_match(text, match, kTooOften)) {
        return fmt::format("{} given {} times: give it once", match[1].str(), match[2].str());
    }
    if (std::regex_match(text, match, kNoValue)) {
        return fmt::format("{} needs a value ({})", match[1].str(), match[2].str());
    }
    if (text == "A subcommand is required") {
        return "no command given: one of " + fmt::format("{}", fmt::join(commands, ", "));
    }
    return text;
}

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
