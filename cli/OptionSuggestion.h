#pragma once
// The option a misspelt one most likely means ("--adress: did you mean --address?").
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The known option nearest to `given`, at most two edits away (a letter added, dropped, changed, or two
// neighbours swapped); empty when none is that near or two are equally near.
std::optional<std::string> ClosestOption(std::string_view given, const std::vector<std::string>& known);

// "--adress: did you mean --address?" for the first of `args` that is an option ("--name" or
// "--name=value") none of `known` is and that misspells one of them; empty otherwise.
std::optional<std::string> MisspeltOption(const std::vector<std::string>& args,
                                          const std::vector<std::string>& known);
