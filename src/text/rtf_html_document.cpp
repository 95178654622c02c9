#include "text/rtf_html_document.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace mailwright::text {
namespace {

constexpr std::string_view kUtf8 = "utf-8";

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of `needle` (lower case) in `text` at or after `from`, ignoring case.
size_t FindNoCase(std::string_view text, std::string_view needle, size_t from = 0) {
    if (needle.size() > text.size()) {
        return std::string_view::npos;
    }
    for (size_t i = from; i + needle.size() <= text.size(); ++i) {
        bool match = true;
        for (size_t k = 0; k < needle.size(); ++k) {
            if (LowerAscii(text[i + k]) != needle[k]) {
                match = false;
                break;
            }
        }
        if (match) {
            return i;
        }
    }
    return std::string_view::npos;
}

// Offset of the start tag <name ...> (a letter after the name must not follow),
// and of the character after its closing '>'.
struct TagSpan {
    size_t begin;
    size_t end;
};

std::optional<TagSpan> FindStartTag(std::string_view html, std::string_view name, size_t from = 0) {
    const std::string open = "<" + std::string(name);
    for (size_t at = FindNoCase(html, open, from); at != std::string_view::npos;
         at = FindNoCase(html, open, at + 1)) {
        const size_t after = at + open.size();
        if (after < html.size() && std::isalnum(static_cast<unsigned char>(html[after]))) {
            continue;  // <header> is not <head>
        }
        const size_t close = html.find('>', after);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        return TagSpan{at, close + 1};
    }
    return std::nullopt;
}

// Rewrites every "charset=VALUE" inside one meta tag to "charset=utf-8",
// keeping a quote that opens the value.
std::string RewriteMetaCharset(std::string_view tag, bool& found) {
    constexpr std::string_view kName = "charset";
    std::string out;
    size_t copied = 0;
    for (size_t at = FindNoCase(tag, kName); at != std::string_view::npos;
         at = FindNoCase(tag, kName, at + 1)) {
        size_t pos = at + kName.size();
        while (pos < tag.size() && tag[pos] == ' ') {
            ++pos;
        }
        if (pos >= tag.size() || tag[pos] != '=') {
            continue;
        }
        ++pos;
        while (pos < tag.size() && tag[pos] == ' ') {
            ++pos;
        }
        std::string_view quote;
        if (pos < tag.size() && (tag[pos] == '"' || tag[pos] == '\'')) {
            quote = tag.substr(pos, 1);
            ++pos;
        }
        size_t end = pos;
        while (end < tag.size() && tag[end] != '"' && tag[end] != '\'' && tag[end] != ';' &&
               tag[end] != ' ' && tag[end] != '>' && tag[end] != '/') {
            ++end;
        }
        out.append(tag.substr(copied, at + kName.size() - copied));
        out += '=';
        out += quote;
        out += kUtf8;
        copied = end;
        found = true;
    }
    out.append(tag.substr(copied));
    return out;
}

// The end of the run from `from` of bytes that text keeps as they are: all
// but markup characters, control characters and the lead byte of U+FFFE and
// U+FFFF.
size_t PlainHtmlTextEnd(std::string_view utf8, size_t from) {
    size_t at = from;
    while (at < utf8.size()) {
        const auto byte = static_cast<unsigned char>(utf8[at]);
        if (byte < 0x20 || byte == '&' || byte == '<' || byte == '>' || byte == 0x7F ||
            byte == 0xEF) {
            break;
        }
        ++at;
    }
    return at;
}

}  // namespace

std::string WrapHtmlBody(std::string_view body, std::string_view head_extra) {
    std::string out;
    out.reserve(body.size() + 256);
    out += "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n";
    out += kUtf8MetaElement;
    out += "\r\n";
    out += head_extra;
    out += "</head>\r\n<body>\r\n";
    out += body;
    out += "</body>\r\n</html>\r\n";
    return out;
}

std::string EnsureUtf8HtmlDocument(std::string_view html) {
    if (!FindStartTag(html, "html")) {
        return WrapHtmlBody(html);
    }
    std::string out;
    out.reserve(html.size() + kUtf8MetaElement.size() + 32);
    bool declared = false;
    size_t copied = 0;
    for (auto meta = FindStartTag(html, "meta"); meta;
         meta = FindStartTag(html, "meta", meta->end)) {
        out.append(html.substr(copied, meta->begin - copied));
        out += RewriteMetaCharset(html.substr(meta->begin, meta->end - meta->begin), declared);
        copied = meta->end;
    }
    out.append(html.substr(copied));
    if (declared) {
        return out;
    }
    if (const auto head = FindStartTag(out, "head")) {
        out.insert(head->end, std::string("\r\n") + std::string(kUtf8MetaElement));
    } else if (const auto root = FindStartTag(out, "html")) {
        out.insert(root->end, "\r\n<head>\r\n" + std::string(kUtf8MetaElement) + "\r\n</head>");
    }
    return out;
}

void AppendEscapedHtmlText(std::string_view utf8, std::string& out) {
    for (size_t i = 0; i < utf8.size(); ++i) {
        // Bytes kept as they are go in one piece up to the next one that is not.
        const size_t plain = PlainHtmlTextEnd(utf8, i);
        if (plain > i) {
            out.append(utf8.substr(i, plain - i));
            i = plain;
            if (i == utf8.size()) {
                return;
            }
        }
        const char c = utf8[i];
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '&':
                out += "&amp;";
                continue;
            case '<':
                out += "&lt;";
                continue;
            case '>':
                out += "&gt;";
                continue;
            default:
                break;
        }
        if ((byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7F) {
            continue;
        }
        // U+FFFE and U+FFFF (EF BF BE, EF BF BF) are not characters.
        if (byte == 0xEF && i + 2 < utf8.size() &&
            static_cast<unsigned char>(utf8[i + 1]) == 0xBF &&
            (static_cast<unsigned char>(utf8[i + 2]) & 0xFE) == 0xBE) {
            i += 2;
            continue;
        }
        out += c;
    }
}

}  // namespace mailwright::text
