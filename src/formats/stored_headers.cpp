#include "formats/stored_headers.h"

#include <cctype>
#include <vector>

namespace mailwright::formats {
namespace {

bool startsWithIgnoringCase(std::string_view line, std::string_view prefix) {
    if (line.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(line[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A character of a field name (RFC 5322 ftext: printable ASCII but colon).
bool isFieldNameChar(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 33 && byte <= 126 && byte != ':';
}

// The header line `line` written with its colon right after the field name;
// nothing when the line is not a header line.
std::optional<std::string> headerLine(std::string_view line) {
    std::size_t nameEnd = 0;
    while (nameEnd < line.size() && isFieldNameChar(line[nameEnd])) {
        ++nameEnd;
    }
    if (nameEnd == 0 || nameEnd == line.size()) {
        return std::nullopt;
    }
    if (line[nameEnd] == ':') {
        return std::string(line);
    }
    std::size_t colon = nameEnd;
    while (colon < line.size() && isBlank(line[colon])) {
        ++colon;
    }
    if (colon == nameEnd || colon == line.size() || line[colon] != ':') {
        return std::nullopt;
    }
    std::string normalized(line.substr(0, nameEnd));
    normalized += line.substr(colon);
    return normalized;
}

// The lines of the text: split at LF, without a trailing CR, with CRs inside
// a line turned into blanks, empty lines dropped.
std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        for (char& c : line) {
            if (c == '\r') {
                c = ' ';
            }
        }
        if (!line.empty()) {
            lines.push_back(std::move(line));
        }
        start = end + 1;
    }
    return lines;
}

// Whether the header line's field name is `name` (any case).
bool hasFieldName(std::string_view header, std::string_view name) {
    return header.size() > name.size() && header[name.size()] == ':' &&
           startsWithIgnoringCase(header, name);
}

// Headers of the stored block that the writer replaces with its own: the
// original MIME structure's, and the mailbox flags, which come from the
// item's read flag instead.
bool isReplacedHeader(std::string_view header) {
    return startsWithIgnoringCase(header, "Content-") || hasFieldName(header, "Status") ||
           hasFieldName(header, "X-Status");
}

std::string_view trimmedBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::optional<std::string> FilterStoredHeaders(std::string_view stored, std::string_view eol) {
    std::string block;
    bool dropping = false;
    bool sawHeader = false;
    bool hasFrom = false;
    bool hasDate = false;
    bool hasMimeVersion = false;
    for (const std::string& line : splitLines(stored)) {
        if (isBlank(line.front())) {
            if (sawHeader && !dropping) {
                block += line;
                block += eol;
            }
            continue;
        }
        const std::optional<std::string> header = headerLine(line);
        if (!header) {
            if (line.front() == '-') {
                break;
            }
            continue;
        }
        sawHeader = true;
        hasFrom = hasFrom || startsWithIgnoringCase(*header, "From");
        hasDate = hasDate || startsWithIgnoringCase(*header, "Date");
        if (isReplacedHeader(*header)) {
            dropping = true;
            continue;
        }
        if (startsWithIgnoringCase(*header, "MIME-Version")) {
            if (hasMimeVersion) {
                dropping = true;
                continue;
            }
            hasMimeVersion = true;
            block += kProcessedMimeVersion;
            // The stored version's continuation lines would follow the
            // replacement's comment.
            dropping = true;
        } else {
            block += *header;
            dropping = false;
        }
        block += eol;
    }
    if (!hasFrom || !hasDate) {
        return std::nullopt;
    }
    // The writer's Content-Type is MIME: a block that had no MIME-Version
    // gets one, or readers would take the message for plain RFC 822 text.
    if (!hasMimeVersion) {
        block += kProcessedMimeVersion;
        block += eol;
    }
    return block;
}

std::optional<std::string> StoredHeaderValue(std::string_view stored, std::string_view name) {
    std::optional<std::string> value;
    for (const std::string& line : splitLines(stored)) {
        if (isBlank(line.front())) {
            if (value) {
                *value += line;
            }
            continue;
        }
        if (value) {
            break;
        }
        const std::optional<std::string> header = headerLine(line);
        if (!header) {
            if (line.front() == '-') {
                break;
            }
            continue;
        }
        if (hasFieldName(*header, name)) {
            value = header->substr(name.size() + 1);
        }
    }
    if (!value) {
        return std::nullopt;
    }
    const std::string_view trimmed = trimmedBlanks(*value);
    if (trimmed.empty()) {
        return std::nullopt;
    }
    return std::string(trimmed);
}

}  // namespace mailwright::formats
