#include "ui/IntegerFieldValidator.h"

#include <fmt/printf.h>

#include <QLineEdit>
#include <QWidget>
#include <algorithm>
#include <limits>
#include <regex>
#include <string>
#include <utility>

#include "res/Strings.h"
#include "ui/FieldTip.h"
#include "ui/LoadText.h"

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Base-10 conversion as wcstol does it: leading blanks skipped, optional sign, digits up to the first
// non-digit, 0 without digits, saturation at the 32-bit limits.
std::int32_t ConvertLeadingInteger(const std::string& text) {
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
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        // Stop growing once past every limit; the digits that follow cannot bring it back.
        magnitude = std::min(magnitude * 10 + (text[pos] - '0'), kLimit);
    }
    const std::int64_t value = negative ? -magnitude : std::min(magnitude, kLimit - 1);
    return static_cast<std::int32_t>(value);
}

bool IsWellFormedInteger(const std::string& text) {
    static const std::regex kFormat("-?[0-9]+", std::regex::ECMAScript);
    return std::regex_match(text, kFormat);
}

}  // namespace

CIntegerFieldValidator::CIntegerFieldValidator(QWidget& parent, QString controlName, std::int32_t min,
                                               std::int32_t max)
    : m_parent(parent), m_controlName(std::move(controlName)), m_min(min), m_max(max) {}

bool CIntegerFieldValidator::Validate(std::int32_t& value) const {
    auto* field = m_parent.findChild<QLineEdit*>(m_controlName);
    if (field == nullptr) {
        value = 0;
        return false;
    }
    const std::string text = field->text().toStdString();
    value = ConvertLeadingInteger(text);
    const bool wellFormed = IsWellFormedInteger(text);
    if (wellFormed && m_min <= value && value <= m_max) {
        return true;
    }
    const QString title = LoadText(wellFormed ? res::IDS_INVALID_VALUE : res::IDS_INVALID_FORMAT);
    const QString message =
        QString::fromStdString(fmt::sprintf(res::LoadString(res::IDS_INTEGER_RANGE), m_min, m_max));
    CFieldTip::Show(*field, title, message);
    field->setFocus();
    return false;
}
