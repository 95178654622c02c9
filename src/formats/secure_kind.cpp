#include "formats/secure_kind.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "formats/property_reading.h"
#include "pstread/pst/property_ids.h"
#include "text/header_encoding.h"
#include "text/whole_value_conversion.h"

namespace mailwright::formats {
namespace {

// The message class is compared on at most this many bytes of UTF-8.
constexpr std::size_t kMessageClassBytes = 256;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool isSecureMessageClass(const pstread::message& message) {
    const auto stored = read_text(message.get_property_bag(), pstread::pid_tag_message_class);
    if (!stored) {
        return false;
    }
    std::string messageClass = text::utf16_to_utf8(*stored);
    if (messageClass.size() > kMessageClassBytes) {
        messageClass.resize(kMessageClassBytes);
    }
    return equalsIgnoringCase(messageClass, "IPM.Note.SMIME.MultipartSigned") ||
           equalsIgnoringCase(messageClass, "IPM.Note.SMIME") ||
           equalsIgnoringCase(messageClass, "IPM.Note.GpgOL.OpaqueEncrypted");
}

}  // namespace

int SecureKind(const pstread::message& message) {
    if (message.get_attachment_count() != 1 || !isSecureMessageClass(message)) {
        return kSecureKindOrdinary;
    }
    const pstread::attachment attachment = *message.attachment_begin();
    const pstread::property_bag& bag = attachment.get_property_bag();
    const auto mimeTag = read_text(bag, pstread::pid_tag_attach_mime_tag);
    if (!mimeTag) {
        return kSecureKindOrdinary;
    }
    std::string type;
    text::EncodeHeaderText(*mimeTag, false, type);
    if (equalsIgnoringCase(type, "multipart/signed")) {
        return kSecureKindSigned;
    }
    if (equalsIgnoringCase(type, "application/pkcs7-mime") ||
        equalsIgnoringCase(type, "application/x-pkcs7-mime")) {
        return kSecureKindOpaque;
    }
    if (equalsIgnoringCase(type, "application/octet-stream")) {
        return bag.has_property(pstread::pid_tag_attach_filename) ? kSecureKindOpaque
                                                                  : kSecureKindOrdinary;
    }
    return kSecureKindOrdinary;
}

}  // namespace mailwright::formats
