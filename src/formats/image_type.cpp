#include "formats/image_type.h"

#include <algorithm>
#include <array>

namespace mailwright::formats {
namespace {

struct Signature {
    std::array<std::uint8_t, kImageSignatureBytes> bytes;
    std::size_t length;
    std::string_view type;
};

constexpr Signature kSignatures[] = {
    {{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, 8, "png"},
    {{'G', 'I', 'F', '8', '7', 'a'}, 6, "gif"},
    {{'G', 'I', 'F', '8', '9', 'a'}, 6, "gif"},
    {{'B', 'M'}, 2, "bmp"},
    {{0xFF, 0xD8, 0xFF}, 3, "jpeg"},
};

}  // namespace

std::string_view ImageTypeFromSignature(std::span<const std::uint8_t> start) {
    for (const Signature& signature : kSignatures) {
        if (start.size() >= signature.length &&
            std::equal(signature.bytes.begin(), signature.bytes.begin() + signature.length,
                       start.begin())) {
            return signature.type;
        }
    }
    return "jpeg";
}

}  // namespace mailwright::formats
