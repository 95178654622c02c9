// The MIME parts of a message's attachments: an attachment by value and a
// picture taken out of an RTF body. (An embedded message's part is written
// by the MIME writer itself, which writes the message inside it.)
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "pstread/pst/attachment.h"
#include "text/rtf_picture.h"

namespace mailwright::formats {

// The headers and base64 data of an attachment by value; nothing when it
// has no PidTagAttachDataBinary. The data is streamed, never held whole.
// A text/... part gets a charset parameter from its bytes (SniffTextCharset,
// `eightBitCharset` for 8-bit text that is not UTF-8) unless its type has
// one. Failures of reading throw, leaving what was written in `out`.
void WriteByValuePart(std::ostream& out, const pstread::attachment& attachment,
                      std::string_view eol, std::string_view eightBitCharset);

// The name an OLE object attachment is written with: its long file name,
// else its short one, else its display name, else "ATT<number>.bin" with
// the attachment's 1-based place in the attachment table.
std::u16string ObjectAttachmentName(const pstread::property_bag& bag, std::size_t number);

// The headers and base64 data of an OLE object attachment (method 6): its
// object storage byte for byte as stored, as application/octet-stream
// under ObjectAttachmentName. Streamed; failures of reading throw.
void WriteObjectPart(std::ostream& out, const pstread::attachment& attachment, std::size_t number,
                     std::string_view eol);

// The headers of an attachment by reference (methods 2, 3 and 4): a
// message/external-body part that names the file (access-type local-file)
// or the URL it refers to, from PidTagAttachLongPathname, else
// PidTagAttachPathname. False, with nothing written, when the attachment
// names no reference.
bool WriteReferencePart(std::ostream& out, const pstread::property_bag& bag, std::string_view eol);

// The headers and data of a picture taken out of an RTF body.
void WritePicturePart(std::ostream& out, const text::RtfPicture& picture, std::string_view eol);

}  // namespace mailwright::formats
