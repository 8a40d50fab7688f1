#include "cli/OptionSuggestion.h"

#include <algorithm>

namespace {

constexpr std::size_t kMaxEdits = 2;

// Edits between a and b, counting a swap of two neighbouring letters as one.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::optional<std::string> ClosestOption(std::string_view given, const std::vector<std::string>& known) {
    std::optional<std::string> best;
    std::size_t bestDistance = kMaxEdits + 1;
    bool tie = false;
    for (const std::string& option : known) {
        const std::size_t distance = EditDistance(given, option);
        if (distance > kMaxEdits) {
            continue;
        }
        if (distance < bestDistance) {
            best = option;
            bestDistance = distance;
            tie = false;
        } else if (distance == bestDistance && option != *best) {
            tie = true;
        }
    }
    return tie ? std::nullopt : best;
}

std::optional<std::string> MisspeltOption(const std::vector<std::string>& args,
                                          const std::vector<std::string>& known) {
    for (const std::string& arg : args) {
        if (!arg.starts_with("--") || arg.size() == 2) {
            continue;
        }
        const std::string name = arg.substr(0, arg.find('='));
        if (std::find(known.begin(), known.end(), name) != known.end()) {
            continue;
        }
        if (const auto meant = ClosestOption(name, known)) {
            return name + ": did you mean " + *meant + "?";
        }
    }
    return std::nullopt;
}
