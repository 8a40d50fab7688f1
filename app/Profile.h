#pragma once
// The per-user profile: the only settings that outlive a run. Values are addressed by section and key.
#include <QSettings>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "present/RememberedConnection.h"

class IProfile {
public:
    virtual ~IProfile() = default;

    virtual QString GetProfileString(const QString& section, const QString& key,
                                     const QString& defaultValue) = 0;
    // A value that is missing or does not read as a 32-bit integer gives `defaultValue`.
    virtual std::int32_t GetProfileInt(const QString& section, const QString& key,
                                       std::int32_t defaultValue) = 0;
    virtual void WriteProfileString(const QString& section, const QString& key, const QString& value) = 0;
    virtual void WriteProfileInt(const QString& section, const QString& key, std::int32_t value) = 0;
};

// The application's profile in QSettings: an INI file under the user's configuration folder on POSIX,
// the registry key "Brannik\ArdenoXModbus" on Windows. Writes reach the store at the latest when the
// object goes away.
class CProfile final : public IProfile {
public:
    CProfile();

    QString GetProfileString(const QString& section, const QString& key,
                             const QString& defaultValue) override;
    std::int32_t GetProfileInt(const QString& section, const QString& key,
                               std::int32_t defaultValue) override;
    void WriteProfileString(const QString& section, const QString& key, const QString& value) override;
    void WriteProfileInt(const QString& section, const QString& key, std::int32_t value) override;

private:
    QSettings m_settings;
};

// One section of a profile as the models in present/ keep their settings.
class CProfileSection final : public ISettingsStore {
public:
    CProfileSection(IProfile& profile, std::string_view section)
        : m_profile(profile), m_section(Key(section)) {}

    std::string Text(std::string_view key) override;
    std::int32_t Number(std::string_view key, std::int32_t missing) override;
    void SetText(std::string_view key, const std::string& value) override;
    void SetNumber(std::string_view key, std::int32_t value) override;

private:
    static QString Key(std::string_view key) {
        return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
    }
    IProfile& m_profile;
    const QString m_section;
};
