// Compressed RTF as PidTagRtfCompressed stores it ([MS-OXRTFCP] 2.1.3.1):
// a 16-byte header (COMPSIZE, RAWSIZE, COMPTYPE, CRC) followed by either the
// raw RTF ("MELA") or LZ77-style runs against a 4096-byte dictionary that
// starts with a fixed 207-byte RTF prefix ("LZFu").
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace pstbuild {

inline constexpr std::uint32_t kRtfCompressed = 0x75465A4C;    // "LZFu"
inline constexpr std::uint32_t kRtfUncompressed = 0x414C454D;  // "MELA"
inline constexpr std::size_t kRtfHeaderSize = 16;
inline constexpr std::size_t kRtfDictionarySize = 4096;

// The dictionary's initial contents ([MS-OXRTFCP] 2.1.2.1), 207 bytes.
std::string_view rtf_initial_dictionary();

// The uncompressed form: header with CRC 0, then the RTF as it is.
std::vector<std::uint8_t> rtf_uncompressed(std::span<const std::uint8_t> rtf);

// The compressed form: greedy longest matches (2 to 17 bytes) found through
// a hash of two-byte prefixes, ended by a reference to the write position.
// The CRC covers the bytes after the header.
std::vector<std::uint8_t> rtf_compress(std::span<const std::uint8_t> rtf);

}  // namespace pstbuild
