#include "platform/property_list_reader.h"

#include <charconv>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace mailwright::platform {
namespace {

[[noreturn]] void refuse(const std::string& what, std::size_t offset) {
    throw std::runtime_error("property list: " + what + " at offset " + std::to_string(offset));
}

void append_utf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

class PropertyListCursor {
public:
    explicit PropertyListCursor(std::string_view xml) : m_xml(xml) {}

    // Skips blanks, the XML declaration, comments and the document type.
    void skipMisc() {
        for (;;) {
            while (m_at < m_xml.size() && isBlank(m_xml[m_at])) {
                ++m_at;
            }
            if (startsWith("<?")) {
                skipPast("?>");
            } else if (startsWith("<!--")) {
                skipPast("-->");
            } else if (startsWith("<!")) {
                skipPast(">");
            } else {
                return;
            }
        }
    }

    // The next tag's text between "<" and ">", e.g. "key", "/dict", "true/".
    std::string_view nextTag() {
        skipMisc();
        if (m_at >= m_xml.size() || m_xml[m_at] != '<') {
            refuse("expected a tag", m_at);
        }
        const std::size_t close = m_xml.find('>', m_at);
        if (close == std::string_view::npos) {
            refuse("unterminated tag", m_at);
        }
        const std::string_view tag = m_xml.substr(m_at + 1, close - m_at - 1);
        m_at = close + 1;
        return tag;
    }

    void expectTag(std::string_view name) {
        const std::size_t at = m_at;
        if (nextTag() != name) {
            refuse("expected <" + std::string(name) + ">", at);
        }
    }

    // The character data up to the closing tag `name`, entities decoded.
    std::string textUntil(std::string_view name) {
        const std::string closing = "</" + std::string(name) + ">";
        const std::size_t end = m_xml.find(closing, m_at);
        if (end == std::string_view::npos) {
            refuse("missing " + closing, m_at);
        }
        std::string text = decode(m_xml.substr(m_at, end - m_at), m_at);
        m_at = end + closing.size();
        return text;
    }

    std::size_t offset() const { return m_at; }

private:
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    bool startsWith(std::string_view prefix) const {
        return m_xml.substr(m_at, prefix.size()) == prefix;
    }

    void skipPast(std::string_view terminator) {
        const std::size_t end = m_xml.find(terminator, m_at);
        if (end == std::string_view::npos) {
            refuse("unterminated markup", m_at);
        }
        m_at = end + terminator.size();
    }

    static std::string decode(std::string_view raw, std::size_t offset) {
        std::string text;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '<') {
                refuse("markup inside a value", offset + i);
            }
            if (raw[i] != '&') {
                text += raw[i];
                continue;
            }
            const std::size_t semicolon = raw.find(';', i);
            if (semicolon == std::string_view::npos) {
                refuse("unterminated entity", offset + i);
            }
            const std::string_view name = raw.substr(i + 1, semicolon - i - 1);
            text += entity(name, offset + i);
            i = semicolon;
        }
        return text;
    }

    static std::string entity(std::string_view name, std::size_t offset) {
        if (name == "amp")
            return "&";
        if (name == "lt")
            return "<";
        if (name == "gt")
            return ">";
        if (name == "quot")
            return "\"";
        if (name == "apos")
            return "'";
        if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            std::uint32_t code = 0;
            const auto [end, error] =
                std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
            if (error == std::errc() && end == digits.data() + digits.size() && code != 0 &&
                code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                std::string text;
                append_utf8(text, code);
                return text;
            }
        }
        refuse("unknown entity &" + std::string(name) + ";", offset);
    }

    std::string_view m_xml;
    std::size_t m_at = 0;
};

DefaultsValue read_value(PropertyListCursor& cursor) {
    const std::size_t at = cursor.offset();
    const std::string_view tag = cursor.nextTag();
    if (tag == "true/") {
        return true;
    }
    if (tag == "false/") {
        return false;
    }
    if (tag == "string/") {
        return std::string();
    }
    if (tag == "string") {
        return cursor.textUntil("string");
    }
    if (tag == "integer") {
        const std::string text = cursor.textUntil("integer");
        std::size_t start = text.find_first_not_of(" \t\r\n");
        const std::size_t stop = text.find_last_not_of(" \t\r\n");
        std::int64_t value = 0;
        if (start != std::string::npos && text[start] == '+') {
            ++start;
        }
        if (start == std::string::npos || start > stop) {
            refuse("empty <integer>", at);
        }
        const auto [end, error] =
            std::from_chars(text.data() + start, text.data() + stop + 1, value);
        if (error != std::errc() || end != text.data() + stop + 1) {
            refuse("bad <integer> \"" + text + "\"", at);
        }
        return value;
    }
    refuse("unsupported value <" + std::string(tag) + ">", at);
}

}  // namespace

DefaultsDictionary readPropertyList(std::string_view xml) {
    PropertyListCursor cursor(xml);
    const std::size_t root = cursor.offset();
    const std::string_view plist = cursor.nextTag();
    if (plist != "plist" && plist.substr(0, 6) != "plist ") {
        refuse("expected <plist>", root);
    }
    cursor.expectTag("dict");
    DefaultsDictionary values;
    for (;;) {
        const std::size_t at = cursor.offset();
        const std::string_view tag = cursor.nextTag();
        if (tag == "/dict") {
            break;
        }
        if (tag != "key") {
            refuse("expected <key>", at);
        }
        std::string key = cursor.textUntil("key");
        values.insert_or_assign(std::move(key), read_value(cursor));
    }
    cursor.expectTag("/plist");
    cursor.skipMisc();
    if (cursor.offset() != xml.size()) {
        refuse("text after </plist>", cursor.offset());
    }
    return values;
}

}  // namespace mailwright::platform
