#pragma once
// A text of the toolkit-free layers (UTF-8, as present/ and the string table give them) as the widgets
// take it.
#include <QString>
#include <string_view>

inline QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
