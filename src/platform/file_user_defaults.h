// User defaults kept in a text file, one "key=value" line per set value:
// "true" and "false" are bools, a decimal number is an integer, anything else
// is a string (with "\\", "\n" and "\r" escaped). Lines starting with "#"
// and lines without "=" are ignored. The file is read once when the object is
// made and rewritten whole (through a temporary file and a rename) after each
// change.
#pragma once

#include <filesystem>
#include <optional>

#include "platform/user_defaults.h"

namespace mailwright::platform {

class FileUserDefaults : public UserDefaults {
public:
    // Reads `file` when it exists; a missing file is an empty one.
    explicit FileUserDefaults(std::filesystem::path file);

    // $XDG_CONFIG_HOME/mailwright/settings.conf, or
    // $HOME/.config/mailwright/settings.conf when XDG_CONFIG_HOME is unset or
    // not absolute; nothing when neither variable gives an absolute path.
    static std::optional<std::filesystem::path> defaultLocation();

    const std::filesystem::path& filePath() const { return m_file; }

protected:
    std::optional<DefaultsValue> storedValue(const std::string& key) const override;
    void storeValue(const std::string& key, std::optional<DefaultsValue> value) override;

private:
    void load();
    void save() const;

    std::filesystem::path m_file;
    DefaultsDictionary m_values;
};

// The text form of one value in the file, and back.
std::string encodeDefaultsValue(const DefaultsValue& value);
DefaultsValue decodeDefaultsValue(const std::string& text);

}  // namespace mailwright::platform
