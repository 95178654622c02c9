// Compressed RTF and RTF bodies from hostile bytes: DecompressRtf, the picture
// scan and extraction, and RtfToHtml on the decompressed and on the raw bytes
// must neither crash nor hang, and every HTML they give must be valid UTF-8
// with a UTF-8 meta element.
#pragma once

#include <unicode/ustring.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/rtf_crc.h"
#include "text/rtf_decompress.h"
#include "text/rtf_picture_extract.h"
#include "text/rtf_picture_scan.h"
#include "text/rtf_to_html.h"

namespace mailwright::text::fuzzing {

// True when some charset=utf-8 (any case, the value possibly quoted) occurs.
inline bool declares_utf8(const std::string& html) {
    std::string lower(html);
    for (char& c : lower) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    constexpr std::string_view kName = "charset=";
    for (size_t at = lower.find(kName); at != std::string::npos; at = lower.find(kName, at + 1)) {
        size_t value = at + kName.size();
        if (value < lower.size() && (lower[value] == '"' || lower[value] == '\'')) {
            ++value;
        }
        if (lower.compare(value, 5, "utf-8") == 0) {
            return true;
        }
    }
    return false;
}

inline void check_html(const std::optional<std::string>& html) {
    if (!html) {
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, html->data(), static_cast<int32_t>(html->size()), &status);
    const bool valid = U_SUCCESS(status) || status == U_BUFFER_OVERFLOW_ERROR;
    if (!valid || !declares_utf8(*html)) {
        std::abort();
    }
}

inline void convert_rtf(std::span<const uint8_t> rtf, const std::vector<PictureRef>& refs) {
    check_html(RtfToHtml(rtf));
    std::vector<RtfPicture> pictures;
    const std::vector<uint8_t> marked = ExtractRtfPictures(rtf, refs, pictures);
    check_html(RtfToHtml(marked));
}

inline void put_le32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

}  // namespace mailwright::text::fuzzing

// Input: a mode byte, then the data. Mode 0 passes the data as a whole
// compressed value (header included); mode 1 takes four bytes of RAWSIZE and
// the contents and writes a matching "LZFu" header with its CRC, so the
// decompressor itself is explored; mode 2 does the same with "MELA". In every
// mode the data is also converted as RTF as it stands.
inline void fuzz_rtf(const uint8_t* data, size_t size) {
    using namespace mailwright::text;
    if (size < 1) {
        return;
    }
    const uint8_t mode = data[0] % 3;
    const std::span<const uint8_t> body(data + 1, size - 1);

    std::vector<uint8_t> blob;
    if (mode == 0 || body.size() < 4) {
        blob.assign(body.begin(), body.end());
    } else {
        const auto contents = body.subspan(4);
        const uint32_t raw_size = static_cast<uint32_t>(body[0]) | body[1] << 8 | body[2] << 16 |
                                  static_cast<uint32_t>(body[3]) << 24;
        fuzzing::put_le32(blob, static_cast<uint32_t>(contents.size() + 12));
        fuzzing::put_le32(blob, raw_size);
        fuzzing::put_le32(blob, mode == 1 ? 0x75465A4Cu : 0x414C454Du);
        fuzzing::put_le32(blob, mode == 1 ? ComputeRtfCrc(contents.data(), contents.size()) : 0u);
        blob.insert(blob.end(), contents.begin(), contents.end());
    }
    try {
        const DecompressedRtf decompressed = DecompressRtf(blob);
        fuzzing::convert_rtf(decompressed.rtf, decompressed.pictures);
    } catch (const compressed_rtf_error&) {
        // a bad header is an expected outcome
    }
    fuzzing::convert_rtf(body, FindRtfPictures(body));
}
