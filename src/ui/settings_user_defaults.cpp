#include "ui/settings_user_defaults.h"

#include <charconv>

namespace mailwright::desktop {
namespace {

QString encode(const platform::DefaultsValue& value) {
    if (const bool* flag = std::get_if<bool>(&value)) {
        return *flag ? QStringLiteral("b:true") : QStringLiteral("b:false");
    }
    if (const std::int64_t* number = std::get_if<std::int64_t>(&value)) {
        return QStringLiteral("i:") + QString::number(*number);
    }
    return QStringLiteral("s:") + QString::fromStdString(std::get<std::string>(value));
}

std::optional<platform::DefaultsValue> decode(const QString& text) {
    const std::string stored = text.toStdString();
    if (stored.size() < 2 || stored[1] != ':') {
        return std::nullopt;
    }
    const std::string body = stored.substr(2);
    switch (stored[0]) {
        case 'b':
            return body == "true";
        case 'i': {
            std::int64_t number = 0;
            const auto [end, error] =
                std::from_chars(body.data(), body.data() + body.size(), number);
            if (error != std::errc() || end != body.data() + body.size()) {
                return std::nullopt;
            }
            return number;
        }
        case 's':
            return body;
        default:
            return std::nullopt;
    }
}

}  // namespace

SettingsUserDefaults::SettingsUserDefaults()
    : m_settings(std::make_unique<QSettings>(QStringLiteral("Mailwright"),
                                             QStringLiteral("mailwright-desktop"))) {}

SettingsUserDefaults::SettingsUserDefaults(const QString& path)
    : m_settings(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

std::optional<platform::DefaultsValue> SettingsUserDefaults::storedValue(
    const std::string& key) const {
    const QVariant value = m_settings->value(QString::fromStdString(key));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return decode(value.toString());
}

void SettingsUserDefaults::storeValue(const std::string& key,
                                      std::optional<platform::DefaultsValue> value) {
    const QString name = QString::fromStdString(key);
    if (value) {
        m_settings->setValue(name, encode(*value));
    } else {
        m_settings->remove(name);
    }
    m_settings->sync();
}

}  // namespace mailwright::desktop
