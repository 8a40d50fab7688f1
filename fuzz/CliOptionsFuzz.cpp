// The command line: any words given to the global options and to a command's value options either
// fail to parse or give values that an independent reading of the same words agrees with.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"

namespace {

// The fuzzer's bytes as words: split at zero bytes.
std::vector<std::string> Words(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.emplace_back();
        } else {
            words.back().push_back(static_cast<char>(data[i]));
        }
    }
    return words;
}

// The options that take a value; the word after one of them is its value, whatever it looks like.
const std::vector<std::string> kValueOptions{"--port",    "--baud",          "--mode",       "--address",
                                             "--timeout", "--reply-timeout", "--trace-file", "--new-address"};

bool TakesValue(const std::string& word) {
    return std::find(kValueOptions.begin(), kValueOptions.end(), word) != kValueOptions.end();
}

// The value the words give an option ("--name VALUE" or "--name=VALUE"), read apart from CLI11.
std::optional<std::string> ValueOf(const std::vector<std::string>& words, const std::string& name) {
    std::optional<std::string> value;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (TakesValue(words[i]) && i + 1 < words.size()) {
            if (words[i] == name) {
                value = words[i + 1];
            }
            ++i;  // another option's value, not an option
        } else if (words[i].rfind(name + "=", 0) == 0) {
            value = words[i].substr(name.size() + 1);
        }
    }
    return value;
}

// A whole decimal number without sign or spaces, as the tool accepts them.
std::optional<unsigned long> Decimal(const std::string& text) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::stoul(text);
}

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> words = Words(data, size);
    CLI::App app("fuzz", "ardenox-cli");
    CliOptions options;
    AddGlobalOptions(app, options);
    std::uint8_t newAddress = 0;
    AddAddressOption(app, "--new-address", newAddress, "");
    std::vector<std::string> reversed(words.rbegin(), words.rend());  // CLI11 takes them in this order
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError&) {
        return 0;
    }
    Check(options.address >= 1 && options.address <= 247);
    Check(options.modeIndex < 4);
    Check(options.baudRate == 9600 || options.baudRate == 19200 || options.baudRate == 38400 ||
          options.baudRate == 57600);
    Check(!options.timeoutSeconds || (*options.timeoutSeconds > 0 && *options.timeoutSeconds <= 3600));
    for (const auto& [name, parsed] :
         {std::pair{"--address", unsigned{options.address}}, std::pair{"--new-address", unsigned{newAddress}},
          std::pair{"--baud", unsigned{options.baudRate}}}) {
        if (const auto text = ValueOf(words, name)) {
            const auto number = Decimal(*text);
            Check(number && *number == parsed);
        }
    }
    return 0;
}
