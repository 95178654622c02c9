// User defaults: the settings of the program, kept by key. A key's value is
// the one set for it, else the default registered for it, else nothing (then
// integerForKey gives 0, boolForKey false and stringForKey an empty string).
// Registered defaults are never saved; set values are, by the implementations
// that keep them somewhere.
//
//   UserDefaults& defaults = standardUserDefaults();
//   std::int64_t codePage = defaults.integerForKey("defaultCodePage");
//   defaults.setBool("userGuideOpened", true);
//
// All operations are safe to call from any thread.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <variant>

namespace mailwright::platform {

using DefaultsValue = std::variant<bool, std::int64_t, std::string>;
using DefaultsDictionary = std::map<std::string, DefaultsValue>;

class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    // The set value, else the registered default, else nothing.
    std::optional<DefaultsValue> objectForKey(const std::string& key) const;
    // A bool reads as 0 or 1; a string as the integer it begins with (0 when
    // none, leading blanks skipped).
    std::int64_t integerForKey(const std::string& key) const;
    // An integer is true when not 0; a string when it begins with "Y", "y",
    // "T", "t" or a non-zero digit ("YES", "true", "1").
    bool boolForKey(const std::string& key) const;
    // Integers and bools as their text ("42", "true").
    std::string stringForKey(const std::string& key) const;

    // Set values. std::invalid_argument for an empty key, one that starts
    // with "#" or one with "=", a line break or a zero byte; the file-backed defaults throw
    // std::runtime_error when the file cannot be written.
    void setObject(const std::string& key, DefaultsValue value);
    void setInteger(const std::string& key, std::int64_t value) { setObject(key, value); }
    void setBool(const std::string& key, bool value) { setObject(key, value); }
    void setString(const std::string& key, std::string value) { setObject(key, std::move(value)); }
    void removeObjectForKey(const std::string& key);

    // Adds defaults (a later registration of a key replaces the earlier).
    void registerDefaults(const DefaultsDictionary& defaults);
    DefaultsDictionary registeredDefaults() const;

protected:
    // The store of set values; called with the lock held.
    virtual std::optional<DefaultsValue> storedValue(const std::string& key) const = 0;
    virtual void storeValue(const std::string& key, std::optional<DefaultsValue> value) = 0;

private:
    mutable std::mutex m_mutex;
    DefaultsDictionary m_registered;
};

// Defaults that live as long as the object: for tests and for runs that must
// not touch the user's settings.
class InMemoryUserDefaults : public UserDefaults {
public:
    InMemoryUserDefaults() = default;
    explicit InMemoryUserDefaults(const DefaultsDictionary& registered) {
        registerDefaults(registered);
    }

protected:
    std::optional<DefaultsValue> storedValue(const std::string& key) const override;
    void storeValue(const std::string& key, std::optional<DefaultsValue> value) override;

private:
    DefaultsDictionary m_values;
};

}  // namespace mailwright::platform
