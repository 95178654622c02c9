#include "platform/file_user_defaults.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace mailwright::platform {
namespace {

namespace fs = std::filesystem;

std::string escape_text(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string unescape_text(const std::string& text) {
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        const char next = text[++i];
        plain += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return plain;
}

std::optional<std::int64_t> decimal_integer(const std::string& text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<fs::path> absolute_from_environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') {
        return std::nullopt;
    }
    return fs::path(value);
}

}  // namespace

std::string encodeDefaultsValue(const DefaultsValue& value) {
    if (const bool* flag = std::get_if<bool>(&value)) {
        return *flag ? "true" : "false";
    }
    if (const std::int64_t* number = std::get_if<std::int64_t>(&value)) {
        return std::to_string(*number);
    }
    return escape_text(std::get<std::string>(value));
}

DefaultsValue decodeDefaultsValue(const std::string& text) {
    if (text == "true") {
        return true;
    }
    if (text == "false") {
        return false;
    }
    if (const auto number = decimal_integer(text)) {
        return *number;
    }
    return unescape_text(text);
}

FileUserDefaults::FileUserDefaults(fs::path file) : m_file(std::move(file)) {
    load();
}

std::optional<fs::path> FileUserDefaults::defaultLocation() {
    if (auto config = absolute_from_environment("XDG_CONFIG_HOME")) {
        return *config / "mailwright" / "settings.conf";
    }
    if (auto home = absolute_from_environment("HOME")) {
        return *home / ".config" / "mailwright" / "settings.conf";
    }
    return std::nullopt;
}

std::optional<DefaultsValue> FileUserDefaults::storedValue(const std::string& key) const {
    const auto found = m_values.find(key);
    if (found == m_values.end()) {
        return std::nullopt;
    }
    return found->second;
}

void FileUserDefaults::storeValue(const std::string& key, std::optional<DefaultsValue> value) {
    DefaultsDictionary changed = m_values;
    if (value) {
        changed.insert_or_assign(key, std::move(*value));
    } else if (changed.erase(key) == 0) {
        return;
    }
    std::swap(m_values, changed);
    try {
        save();
    } catch (...) {
        // The file keeps its old contents, and so does the object.
        std::swap(m_values, changed);
        throw;
    }
}

void FileUserDefaults::load() {
    std::ifstream in(m_file);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos || equals == 0) {
            continue;
        }
        m_values.insert_or_assign(line.substr(0, equals),
                                  decodeDefaultsValue(line.substr(equals + 1)));
    }
}

void FileUserDefaults::save() const {
    std::error_code error;
    if (m_file.has_parent_path()) {
        fs::create_directories(m_file.parent_path(), error);
    }
    fs::path temporary = m_file;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "# mailwright settings: one key=value per line\n";
        for (const auto& [key, value] : m_values) {
            out << key << '=' << encodeDefaultsValue(value) << '\n';
        }
        out.flush();
        if (!out) {
            throw std::runtime_error("user defaults: cannot write " + temporary.string() + ": " +
                                     std::strerror(errno));
        }
    }
    fs::rename(temporary, m_file, error);
    if (error) {
        const std::string reason = error.message();
        fs::remove(temporary, error);
        throw std::runtime_error("user defaults: cannot replace " + m_file.string() + ": " +
                                 reason);
    }
}

}  // namespace mailwright::platform
