#include "export/safe_name.h"

#include <cstdint>
#include <vector>

namespace mailwright::exporting {
namespace {

// Names of 65 characters or more are cut to 60 and marked with "...".
constexpr std::size_t kLongNameCharacters = 65;
constexpr std::size_t kKeptCharacters = 60;
constexpr std::string_view kEllipsis = "...";
constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr char32_t kDivisionSlash = 0x2215;

// The length of the UTF-8 sequence starting at `i` and its code point, or
// length 1 and U+FFFD for a byte that starts no valid sequence.
std::size_t decode_at(std::string_view text, std::size_t i, char32_t& code_point) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t lead = byte(i);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        code_point = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        code_point = kReplacementCharacter;
        return 1;
    }
    if (length > text.size() - i) {
        code_point = kReplacementCharacter;
        return 1;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            code_point = kReplacementCharacter;
            return 1;
        }
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        code_point = kReplacementCharacter;
        return 1;
    }
    code_point = value;
    return length;
}

std::vector<char32_t> decode(std::string_view text) {
    std::vector<char32_t> code_points;
    code_points.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t code_point = 0;
        i += decode_at(text, i, code_point);
        code_points.push_back(code_point);
    }
    return code_points;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool is_control(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

char32_t replacement_for(char32_t c) {
    if (c == U':') {
        return U'-';
    }
    if (c == U'/') {
        return kDivisionSlash;
    }
    if (is_control(c)) {
        return U'_';
    }
    return c;
}

}  // namespace

std::string CutToBytes(std::string_view text, std::size_t max_bytes) {
    if (text.size() <= max_bytes) {
        return std::string(text);
    }
    const std::size_t room = max_bytes < kEllipsis.size() ? 0 : max_bytes - kEllipsis.size();
    std::size_t end = 0;
    while (end < text.size()) {
        char32_t ignored = 0;
        const std::size_t length = decode_at(text, end, ignored);
        if (end + length > room) {
            break;
        }
        end += length;
    }
    return std::string(text.substr(0, end)) + std::string(kEllipsis);
}

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        char32_t ignored = 0;
        i += decode_at(text, i, ignored);
    }
    return count;
}

std::string SafeNameStem(std::string_view text) {
    std::vector<char32_t> characters = decode(text);
    const bool shortened = characters.size() >= kLongNameCharacters;
    if (shortened) {
        characters.resize(kKeptCharacters);
    }
    std::string name;
    name.reserve(text.size() + kEllipsis.size());
    for (const char32_t c : characters) {
        append_utf8(name, replacement_for(c));
    }
    if (shortened) {
        name += kEllipsis;
    }
    return CutToBytes(name, kMaxSafeNameBytes);
}

std::string SafeName(std::string_view text) {
    std::string name = SafeNameStem(text);
    if (name.empty()) {
        return "(no name)";
    }
    if (name == "." || name == "..") {
        return "_" + name;
    }
    return name;
}

}  // namespace mailwright::exporting
