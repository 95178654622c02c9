// The MIME parts of a message's attachments: an attachment by value and a
// picture taken out of an RTF body. (An embedded message's part is written
// by the MIME writer itself, which writes the message inside it.)
#pragma once

#include <ostream>
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

// The headers and data of a picture taken out of an RTF body.
void WritePicturePart(std::ostream& out, const text::RtfPicture& picture, std::string_view eol);

}  // namespace mailwright::formats
