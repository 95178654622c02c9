#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "text/rtf_picture.h"

namespace mailwright::text {

// Replaces each picture group of `rtf` (as located by DecompressRtf) by the
// marker {\rtfltr\fs16 <<< Attachment : NAME >>>} and appends one RtfPicture
// per new name ("Image " + tag + "." + extension) to `pictures`. A {\*\shppict}
// group and the {\nonshppict} copy right after it are replaced together.
// A picture with the \bliptag of one already taken is that picture in
// another format: it is marked with that one's name and not appended.
// Hexadecimal picture data is decoded to its bytes. A reference that lies
// outside `rtf` or overlaps one already replaced is skipped.
std::vector<uint8_t> ExtractRtfPictures(std::span<const uint8_t> rtf,
                                        const std::vector<PictureRef>& refs,
                                        std::vector<RtfPicture>& pictures);

// Bytes of hexadecimal text; white space and other stray characters are
// skipped, and a final lone digit is dropped.
std::vector<uint8_t> DecodeRtfHexData(std::span<const uint8_t> text);

}  // namespace mailwright::text
