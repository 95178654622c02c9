#include "text/rtf_decompress.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "text/rtf_crc.h"
#include "text/rtf_picture_scan.h"

namespace mailwright::text {
namespace {

// [MS-OXRTFCP] 2.1.3.1.1: four little-endian DWORDs COMPSIZE, RAWSIZE,
// COMPTYPE and CRC, then the contents.
constexpr size_t kHeaderSize = 16;
constexpr size_t kCompSizeOffset = 0;
constexpr size_t kRawSizeOffset = 4;
constexpr size_t kCompTypeOffset = 8;
constexpr size_t kCrcOffset = 12;
// COMPSIZE counts the contents plus the 12 header bytes after itself.
constexpr size_t kCompSizeField = 4;

constexpr uint32_t kCompTypeCompressed = 0x75465A4Cu;    // "LZFu"
constexpr uint32_t kCompTypeUncompressed = 0x414C454Du;  // "MELA"

// [MS-OXRTFCP] 2.1.2.1 / 3.1.1.3: the dictionary is 4096 bytes, circular, and
// starts with this 207-byte text; writing continues at offset 207.
constexpr size_t kDictionarySize = 4096;
constexpr char kInitialDictionary[] =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}"
    "{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript "
    "\\fdecor MS Sans SerifSymbolArialTimes New RomanCourier"
    "{\\colortbl\\red0\\green0\\blue0\r\n"
    "\\par \\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
constexpr size_t kInitialDictionaryLength = sizeof(kInitialDictionary) - 1;
static_assert(kInitialDictionaryLength == 207);

// A dictionary reference ([MS-OXRTFCP] 2.1.3.1.5) is a big-endian WORD of a
// 12-bit offset and a 4-bit length that is 2 less than the length copied.
constexpr unsigned kReferenceLengthBias = 2;

uint32_t LoadLittleEndian32(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

// Runs the LZFu token stream until `raw_size` bytes are produced, the input
// ends, or the completion reference (an offset equal to the write position)
// appears. Output never exceeds what the input can express, whatever RAWSIZE says.
std::vector<uint8_t> Expand(std::span<const uint8_t> contents, uint32_t raw_size) {
    static_assert((kDictionarySize & (kDictionarySize - 1)) == 0, "positions wrap by masking");
    constexpr size_t kMask = kDictionarySize - 1;
    std::array<uint8_t, kDictionarySize> dictionary{};
    std::memcpy(dictionary.data(), kInitialDictionary, kInitialDictionaryLength);
    size_t write_position = kInitialDictionaryLength;

    // A control byte and eight references (17 input bytes) yield at most 136
    // bytes, so the output is sized once and written by position.
    const size_t limit = std::min<size_t>(raw_size, contents.size() * 8 + 16);
    std::vector<uint8_t> out(limit);
    size_t produced = 0;
    auto emit = [&](uint8_t byte) {
        dictionary[write_position] = byte;
        write_position = (write_position + 1) & kMask;
        out[produced++] = byte;
    };
    auto finished = [&] {
        out.resize(produced);
        return std::move(out);
    };

    size_t pos = 0;
    while (produced < limit && pos < contents.size()) {
        const uint8_t control = contents[pos++];
        for (int bit = 0; bit < 8; ++bit) {
            if (produced >= limit || pos >= contents.size()) {
                return finished();
            }
            if ((control & (1u << bit)) == 0) {
                emit(contents[pos++]);
                continue;
            }
            if (contents.size() - pos < 2) {
                return finished();  // a reference cut off by the end of the input
            }
            const unsigned word = static_cast<unsigned>(contents[pos]) << 8 | contents[pos + 1];
            pos += 2;
            const size_t offset = word >> 4;
            const size_t length =
                std::min<size_t>((word & 0xFu) + kReferenceLengthBias, limit - produced);
            if (offset == write_position) {
                return finished();  // completion of all compressed data
            }
            // Byte by byte, so that a reference may overlap what it produces.
            for (size_t k = 0; k < length; ++k) {
                emit(dictionary[(offset + k) & kMask]);
            }
        }
    }
    return finished();
}

}  // namespace

DecompressedRtf DecompressRtf(std::span<const uint8_t> compressed) {
    if (compressed.size() < kHeaderSize) {
        throw compressed_rtf_error("Invalid compressed-RTF header");
    }
    const uint32_t comp_size = LoadLittleEndian32(compressed, kCompSizeOffset);
    const uint32_t raw_size = LoadLittleEndian32(compressed, kRawSizeOffset);
    const uint32_t comp_type = LoadLittleEndian32(compressed, kCompTypeOffset);
    const uint32_t crc = LoadLittleEndian32(compressed, kCrcOffset);
    if (comp_size != compressed.size() - kCompSizeField) {
        throw compressed_rtf_error("compressed-RTF data size mismatch");
    }
    const std::span<const uint8_t> contents = compressed.subspan(kHeaderSize);

    DecompressedRtf result;
    if (comp_type == kCompTypeCompressed) {
        if (ComputeRtfCrc(contents.data(), contents.size()) != crc) {
            throw compressed_rtf_error("compressed-RTF CRC32 failed");
        }
        result.rtf = Expand(contents, raw_size);
    } else if (comp_type == kCompTypeUncompressed) {
        // RAWSIZE should equal the contents' size; never read past the value.
        const size_t length = std::min<size_t>(raw_size, contents.size());
        result.rtf.assign(contents.begin(), contents.begin() + static_cast<ptrdiff_t>(length));
    } else {
        return result;  // unknown compression: no RTF, not an error
    }
    result.pictures = FindRtfPictures(result.rtf);
    return result;
}

}  // namespace mailwright::text
