// User defaults kept by QSettings, so the desktop application keeps its
// settings where the desktop expects them. Each value is stored as text with
// its type in front ("b:true", "i:42", "s:text"), so it reads back as the
// type it was set with whatever format the settings file has.
#pragma once

#include <QSettings>
#include <memory>

#include "platform/user_defaults.h"

namespace mailwright::desktop {

class SettingsUserDefaults : public platform::UserDefaults {
public:
    // The user's settings of the application.
    SettingsUserDefaults();
    // The settings in an INI file at `path`.
    explicit SettingsUserDefaults(const QString& path);

protected:
    std::optional<platform::DefaultsValue> storedValue(const std::string& key) const override;
    void storeValue(const std::string& key, std::optional<platform::DefaultsValue> value) override;

private:
    std::unique_ptr<QSettings> m_settings;
};

}  // namespace mailwright::desktop
