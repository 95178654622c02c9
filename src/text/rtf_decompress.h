#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "text/rtf_picture.h"

namespace mailwright::text {

// Thrown by DecompressRtf when the header of a compressed RTF value is unusable.
// The message is one of "Invalid compressed-RTF header",
// "compressed-RTF data size mismatch" and "compressed-RTF CRC32 failed".
class compressed_rtf_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DecompressedRtf {
    std::vector<uint8_t> rtf;          // empty for an unknown compression type
    std::vector<PictureRef> pictures;  // in the order they occur in `rtf`
};

// Decodes a PidTagRtfCompressed value ([MS-OXRTFCP]): "LZFu" data is
// decompressed after its CRC is checked, "MELA" data is taken as it stands.
// The pictures of the resulting RTF are located as well.
DecompressedRtf DecompressRtf(std::span<const uint8_t> compressed);

}  // namespace mailwright::text
