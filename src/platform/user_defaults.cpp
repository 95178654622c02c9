#include "platform/user_defaults.h"

#include <cctype>
#include <charconv>
#include <stdexcept>

namespace mailwright::platform {
namespace {

std::int64_t leading_integer(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) {
        ++start;
    }
    if (start < text.size() && text[start] == '+') {
        ++start;
    }
    std::int64_t value = 0;
    const auto [end, error] =
        std::from_chars(text.data() + start, text.data() + text.size(), value);
    (void)end;
    return error == std::errc() ? value : 0;
}

bool text_is_true(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) {
        ++start;
    }
    if (start == text.size()) {
        return false;
    }
    const char first = text[start];
    if (first == 'Y' || first == 'y' || first == 'T' || first == 't') {
        return true;
    }
    return leading_integer(text) != 0;
}

void check_key(const std::string& key) {
    if (key.empty() || key[0] == '#' ||
        key.find_first_of(std::string("=\r\n\0", 4)) != std::string::npos) {
        throw std::invalid_argument("user defaults: invalid key \"" + key + "\"");
    }
}

}  // namespace

std::optional<DefaultsValue> UserDefaults::objectForKey(const std::string& key) const {
    std::lock_guard lock(m_mutex);
    if (auto value = storedValue(key)) {
        return value;
    }
    const auto registered = m_registered.find(key);
    if (registered != m_registered.end()) {
        return registered->second;
    }
    return std::nullopt;
}

std::int64_t UserDefaults::integerForKey(const std::string& key) const {
    const auto value = objectForKey(key);
    if (!value) {
        return 0;
    }
    if (const bool* flag = std::get_if<bool>(&*value)) {
        return *flag ? 1 : 0;
    }
    if (const std::int64_t* number = std::get_if<std::int64_t>(&*value)) {
        return *number;
    }
    return leading_integer(std::get<std::string>(*value));
}

bool UserDefaults::boolForKey(const std::string& key) const {
    const auto value = objectForKey(key);
    if (!value) {
        return false;
    }
    if (const bool* flag = std::get_if<bool>(&*value)) {
        return *flag;
    }
    if (const std::int64_t* number = std::get_if<std::int64_t>(&*value)) {
        return *number != 0;
    }
    return text_is_true(std::get<std::string>(*value));
}

std::string UserDefaults::stringForKey(const std::string& key) const {
    const auto value = objectForKey(key);
    if (!value) {
        return {};
    }
    if (const bool* flag = std::get_if<bool>(&*value)) {
        return *flag ? "true" : "false";
    }
    if (const std::int64_t* number = std::get_if<std::int64_t>(&*value)) {
        return std::to_string(*number);
    }
    return std::get<std::string>(*value);
}

void UserDefaults::setObject(const std::string& key, DefaultsValue value) {
    check_key(key);
    std::lock_guard lock(m_mutex);
    storeValue(key, std::move(value));
}

void UserDefaults::removeObjectForKey(const std::string& key) {
    std::lock_guard lock(m_mutex);
    storeValue(key, std::nullopt);
}

void UserDefaults::registerDefaults(const DefaultsDictionary& defaults) {
    std::lock_guard lock(m_mutex);
    for (const auto& [key, value] : defaults) {
        m_registered.insert_or_assign(key, value);
    }
}

DefaultsDictionary UserDefaults::registeredDefaults() const {
    std::lock_guard lock(m_mutex);
    return m_registered;
}

std::optional<DefaultsValue> InMemoryUserDefaults::storedValue(const std::string& key) const {
    const auto found = m_values.find(key);
    if (found == m_values.end()) {
        return std::nullopt;
    }
    return found->second;
}

void InMemoryUserDefaults::storeValue(const std::string& key, std::optional<DefaultsValue> value) {
    if (value) {
        m_values.insert_or_assign(key, std::move(*value));
    } else {
        m_values.erase(key);
    }
}

}  // namespace mailwright::platform
