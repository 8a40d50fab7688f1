#include "app/Profile.h"

#include <limits>

namespace {

QString Path(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}

}  // namespace

CProfile::CProfile() : m_settings(QStringLiteral("Brannik"), QStringLiteral("ArdenoXModbus")) {}

QString CProfile::GetProfileString(const QString& section, const QString& key, const QString& defaultValue) {
    const QVariant value = m_settings.value(Path(section, key));
    return value.isValid() ? value.toString() : defaultValue;
}

std::int32_t CProfile::GetProfileInt(const QString& section, const QString& key, std::int32_t defaultValue) {
    const QVariant value = m_settings.value(Path(section, key));
    if (!value.isValid()) {
        return defaultValue;
    }
    // The file may have been edited by hand: text, or numbers no 32-bit field can hold, give the
    // default. Unsigned 32-bit values are taken as the registry's DWORDs would be.
    bool isNumber = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&isNumber);
    if (!isNumber || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::uint32_t>::max()) {
        return defaultValue;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

void CProfile::WriteProfileString(const QString& section, const QString& key, const QString& value) {
    m_settings.setValue(Path(section, key), value);
}

void CProfile::WriteProfileInt(const QString& section, const QString& key, std::int32_t value) {
    m_settings.setValue(Path(section, key), value);
}

std::string CProfileSection::Text(std::string_view key) {
    return m_profile.GetProfileString(m_section, Key(key), QString()).toStdString();
}

std::int32_t CProfileSection::Number(std::string_view key, std::int32_t missing) {
    return m_profile.GetProfileInt(m_section, Key(key), missing);
}

void CProfileSection::SetText(std::string_view key, const std::string& value) {
    m_profile.WriteProfileString(m_section, Key(key), QString::fromStdString(value));
}

void CProfileSection::SetNumber(std::string_view key, std::int32_t value) {
    m_profile.WriteProfileInt(m_section, Key(key), value);
}
