#pragma once
// A string-table entry as a QString, for the widgets.
#include <QString>

#include "res/Strings.h"

inline QString LoadText(unsigned id) {
    const std::string_view text = res::LoadString(id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
