#include "present/IntegerField.h"

#include <fmt/printf.h>

#include <algorithm>
#include <limits>

#include "res/Strings.h"

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::int32_t ConvertLeadingInteger(std::string_view text) {
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::int64_t magnitude = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        // Stop growing once past every limit; the digits that follow cannot bring it back.
        magnitude = std::min(magnitude * 10 + (text[pos] - '0'), kLimit);
    }
    const std::int64_t value = negative ? -magnitude : std::min(magnitude, kLimit - 1);
    return static_cast<std::int32_t>(value);
}

bool IsWellFormedInteger(std::string_view text) {
    const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    return !digits.empty() && std::all_of(digits.begin(), digits.end(), IsDigit);
}

}  // namespace

IntegerCheck CheckInteger(std::string_view text, std::int32_t min, std::int32_t max) {
    IntegerCheck check{ConvertLeadingInteger(text), std::nullopt};
    const bool wellFormed = IsWellFormedInteger(text);
    if (wellFormed && min <= check.value && check.value <= max) {
        return check;
    }
    check.refusal = FieldRefusal{
        std::string(res::LoadString(wellFormed ? res::IDS_INVALID_VALUE : res::IDS_INVALID_FORMAT)),
        fmt::sprintf(res::LoadString(res::IDS_INTEGER_RANGE), min, max)};
    return check;
}
