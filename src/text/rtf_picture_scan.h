#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "text/rtf_picture.h"

namespace mailwright::text {

// Offsets of the "p" of every \pict control word: a backslash and "pict"
// followed by a backslash, an opening brace or white space.
std::vector<size_t> FindPictControlWords(std::span<const uint8_t> rtf);

// The picture whose \pict control word has its "p" at `pict_offset`, or
// nothing when no picture group can be made out there.
std::optional<PictureRef> LocateRtfPicture(std::span<const uint8_t> rtf, size_t pict_offset);

// Every picture of an RTF text, in order, but the result pictures of
// {\object} groups: those render an OLE object the message holds as an
// attachment.
std::vector<PictureRef> FindRtfPictures(std::span<const uint8_t> rtf);

}  // namespace mailwright::text
