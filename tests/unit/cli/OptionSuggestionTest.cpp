// The option a misspelt one most likely means.
#include "cli/OptionSuggestion.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kKnown{"--port", "--baud",        "--mode",      "--address",
                                      "--json", "--new-address", "--new-baud",  "--new-mode",
                                      "--all",  "--trace",       "--trace-file"};

TEST(OptionSuggestion, NamesTheNearestOptionWithinTwoEdits) {
    const std::pair<std::vector<std::string>, std::optional<std::string>> cases[] = {
        {{"--adress", "17"}, "--adress: did you mean --address?"},
        {{"write", "--new-adress", "17"}, "--new-adress: did you mean --new-address?"},
        {{"--baud=9600", "--mdoe", "none2"}, "--mdoe: did you mean --mode?"},  // swapped neighbours
        {{"--jsn"}, "--jsn: did you mean --json?"},
        {{"--port", "/dev/ttyUSB0", "--new-baude=9600"}, "--new-baude: did you mean --new-baud?"},
        {{"--trace-fil", "x"}, "--trace-fil: did you mean --trace-file?"},
        {{"--frobnicate"}, std::nullopt},  // nothing near: CLI11's own words
        {{"--addr"}, std::nullopt},        // three edits from --address: too far to guess
        {{"--port", "--", "-x", "read"}, std::nullopt},
    };
    for (const auto& [args, expected] : cases) {
        EXPECT_EQ(MisspeltOption(args, kKnown), expected) << args.front();
    }
}

TEST(OptionSuggestion, GuessesNothingBetweenTwoEquallyNearOptions) {
    EXPECT_EQ(ClosestOption("--node", {"--mode", "--nodes"}), std::nullopt);
    EXPECT_EQ(ClosestOption("--node", {"--mode", "--mode"}), "--mode");  // one option under two names
}

}  // namespace
