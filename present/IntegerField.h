#pragma once
// The check of an integer entry field: a fixed format, then an inclusive range. A refusal carries the
// title and the line a view shows on the field.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct FieldRefusal {
    std::string title;    // "Invalid format" or "Invalid value"
    std::string message;  // "Enter an integer value between 1 and 247."
};

struct IntegerCheck {
    // The text converted as the C library's wcstol would (leading blanks, sign, digits up to the first
    // other character, saturated at the 32-bit limits): use it only when there is no refusal.
    std::int32_t value = 0;
    std::optional<FieldRefusal> refusal;
};

// Accepts exactly "-?[0-9]+" within [min, max].
IntegerCheck CheckInteger(std::string_view text, std::int32_t min, std::int32_t max);
