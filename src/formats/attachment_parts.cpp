#include "formats/attachment_parts.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <istream>
#include <streambuf>
#include <string>

#include "formats/mime_parameter.h"
#include "formats/property_reading.h"
#include "formats/text_charset.h"
#include "pstread/ltp/hnid_stream.h"
#include "pstread/pst/property_ids.h"
#include "text/base64.h"
#include "text/header_encoding.h"

namespace mailwright::formats {
namespace {

// Whether a MIME type is a composite one (message/..., multipart/...). A
// part of such a type must not be base64-encoded (RFC 2046 5.1, 5.2): a
// reader would parse the encoded text as a message or as parts. Attachments
// stored with such a type are written as application/octet-stream, which
// keeps their bytes exactly.
bool isCompositeType(std::string_view type) {
    const auto startsWith = [&](std::string_view prefix) {
        return type.size() >= prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), type.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    };
    return startsWith("message/") || startsWith("multipart/");
}

// The attachment's long file name, else its short one; empty when it has
// neither.
std::u16string fileNameOf(const pstread::property_bag& bag) {
    std::u16string name = read_text_or_empty(bag, pstread::pid_tag_attach_long_filename);
    if (name.empty()) {
        name = read_text_or_empty(bag, pstread::pid_tag_attach_filename);
    }
    return name;
}

// Whether a reference is a URL ("scheme://..."), not a file path. A drive
// letter ("C:\...") is no scheme.
bool isUrl(std::u16string_view reference) {
    const std::size_t colon = reference.find(u"://");
    if (colon == std::u16string_view::npos || colon < 2) {
        return false;
    }
    return std::all_of(reference.begin(), reference.begin() + static_cast<std::ptrdiff_t>(colon),
                       [](char16_t c) {
                           return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                                  (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
                       });
}

// A text attachment of at most this many bytes is held in memory while its
// part is written, so that it is read once; a longer one is read twice.
constexpr std::uint64_t kHeldTextBytes = 1u << 20;

// The held text, one buffer per thread kept between attachments.
std::string& HeldText() {
    thread_local std::string text;
    return text;
}

// Reads the held text as a stream, for the base64 writer.
class HeldTextBuffer : public std::streambuf {
public:
    explicit HeldTextBuffer(std::string& text) {
        setg(text.data(), text.data(), text.data() + text.size());
    }
};

}  // namespace

std::u16string ObjectAttachmentName(const pstread::property_bag& bag, std::size_t number) {
    std::u16string name = fileNameOf(bag);
    if (name.empty()) {
        name = read_text_or_empty(bag, pstread::pid_tag_display_name);
    }
    if (name.empty()) {
        for (const char c : "ATT" + std::to_string(number) + ".bin") {
            name += static_cast<char16_t>(c);
        }
    }
    return name;
}

void WriteObjectPart(std::ostream& out, const pstread::attachment& attachment, std::size_t number,
                     std::string_view eol) {
    // Opened first, so that an object that cannot be read leaves no headers.
    pstread::hnid_istream data(attachment.open_object_stream());
    data.exceptions(std::ios::badbit);
    const std::u16string name = ObjectAttachmentName(attachment.get_property_bag(), number);
    out << "Content-Type: application/octet-stream; " << FormatParameter("name", "=", name) << eol
        << "Content-Transfer-Encoding: base64" << eol << "Content-Disposition: attachment; "
        << FormatParameter("filename", "=", name) << eol << eol;
    text::WriteBase64Lines(data, out, eol);
    out << eol << eol;
}

bool WriteReferencePart(std::ostream& out, const pstread::property_bag& bag, std::string_view eol) {
    std::u16string reference = read_text_or_empty(bag, pstread::pid_tag_attach_long_pathname);
    if (reference.empty()) {
        reference = read_text_or_empty(bag, pstread::pid_tag_attach_pathname);
    }
    reference = reference.substr(0, reference.find(u'\0'));
    if (reference.empty()) {
        return false;
    }
    const std::string fileName = FormatParameter("filename", "=", fileNameOf(bag));
    // RFC 2046 5.2.3 (local-file) and RFC 2017 (URL). The part's own body
    // is the header block of the referred-to entity, here only its type.
    out << "Content-Type: message/external-body; "
        << (isUrl(reference) ? "access-type=URL; " + FormatParameter("URL", "=", reference)
                             : "access-type=local-file; " + FormatParameter("name", "=", reference))
        << eol << "Content-Transfer-Encoding: 7bit" << eol << "Content-Disposition: attachment";
    if (!fileName.empty()) {
        out << "; " << fileName;
    }
    out << eol << eol << "Content-Type: application/octet-stream" << eol << eol;
    return true;
}

void WriteByValuePart(std::ostream& out, const pstread::attachment& attachment,
                      std::string_view eol, std::string_view eightBitCharset) {
    const pstread::property_bag& bag = attachment.get_property_bag();
    if (!bag.has_property(pstread::pid_tag_attach_data_binary)) {
        return;
    }
    std::string mimeType = header_text(bag, pstread::pid_tag_attach_mime_tag, false, eol);
    if (mimeType.empty() || isCompositeType(mimeType)) {
        mimeType = "application/octet-stream";
    }
    out << "Content-Type: " << mimeType << ';';
    // A short text is read once, for its charset and for its base64 text.
    std::string& held = HeldText();
    bool isHeld = false;
    if (IsTextType(mimeType) && !HasCharsetParameter(mimeType)) {
        pstread::hnid_istream text(attachment.open_byte_stream());
        text.exceptions(std::ios::badbit);
        isHeld = text.device().size() <= kHeldTextBytes;
        if (isHeld) {
            held.resize(static_cast<std::size_t>(text.device().size()));
            text.read(held.data(), static_cast<std::streamsize>(held.size()));
            held.resize(static_cast<std::size_t>(text.gcount()));
        }
        out << " charset=\""
            << (isHeld ? SniffTextCharset(held, eightBitCharset)
                       : SniffTextCharset(text, eightBitCharset))
            << "\";";
    }
    const std::string name =
        FormatParameter("name", "=", read_text_or_empty(bag, pstread::pid_tag_display_name));
    if (!name.empty()) {
        out << ' ' << name;
    }
    out << eol << "Content-Transfer-Encoding: base64" << eol << "Content-Disposition: attachment;";
    // The long file name when the attachment has one, else the short one.
    const pstread::prop_id fileNameId = bag.has_property(pstread::pid_tag_attach_long_filename)
                                            ? pstread::pid_tag_attach_long_filename
                                            : pstread::pid_tag_attach_filename;
    const std::string fileName =
        FormatParameter("filename", "=", read_text_or_empty(bag, fileNameId));
    if (!fileName.empty()) {
        out << ' ' << fileName;
    }
    out << eol;
    const std::string location =
        header_text(bag, pstread::pid_tag_attach_content_location, false, eol);
    if (!location.empty()) {
        out << "Content-Location: " << location << eol;
    }
    const std::string contentId = header_text(bag, pstread::pid_tag_attach_content_id, false, eol);
    if (!contentId.empty()) {
        out << "Content-ID: <" << contentId << '>';
    }
    out << eol << eol;
    if (isHeld) {
        HeldTextBuffer buffer(held);
        std::istream data(&buffer);
        text::WriteBase64Lines(data, out, eol);
    } else {
        pstread::hnid_istream data(attachment.open_byte_stream());
        data.exceptions(std::ios::badbit);
        text::WriteBase64Lines(data, out, eol);
    }
    out << eol << eol;
}

void WritePicturePart(std::ostream& out, const text::RtfPicture& picture, std::string_view eol) {
    out << "Content-Type: application/octet-stream; name=\"" << picture.name << '"' << eol
        << "Content-Transfer-Encoding: base64" << eol << "Content-Disposition: attachment;";
    if (!picture.name.empty()) {
        out << " filename=\"" << picture.name << '"';
    }
    out << eol << eol << eol;
    if (picture.data_is_text) {
        out.write(reinterpret_cast<const char*>(picture.data.data()),
                  static_cast<std::streamsize>(picture.data.size()));
    } else {
        text::WriteBase64Lines(picture.data, out, eol);
    }
    out << eol << eol;
}

}  // namespace mailwright::formats
