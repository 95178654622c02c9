// Test-only decompression of PidTagRtfCompressed ([MS-OXRTFCP] 2.1.3.1),
// written from the format description alone to check the builder's
// compressor: the dictionary starts with the 207-byte prefix and zeros,
// control bits are read from the least significant bit, a reference is a
// big-endian word of a 12-bit offset and a 4-bit length minus 2, and a
// reference to the write position ends the data.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/crc.h"
#include "support/le_bytes.h"
#include "support/rtf_compression.h"

namespace rtftest {

inline std::string decompress(const std::vector<std::uint8_t>& stored) {
    using namespace pstbuild;
    if (stored.size() < kRtfHeaderSize) {
        throw std::runtime_error("short header");
    }
    const std::uint32_t comp_size = get_u32(stored, 0);
    const std::uint32_t raw_size = get_u32(stored, 4);
    const std::uint32_t type = get_u32(stored, 8);
    const std::uint32_t crc = get_u32(stored, 12);
    if (comp_size + 4u != stored.size()) {
        throw std::runtime_error("COMPSIZE does not match the data");
    }
    const std::vector<std::uint8_t> contents(stored.begin() + kRtfHeaderSize, stored.end());
    if (type == kRtfUncompressed) {
        if (crc != 0) {
            throw std::runtime_error("uncompressed RTF with a CRC");
        }
        return std::string(contents.begin(), contents.end());
    }
    if (type != kRtfCompressed || crc != compute_crc(contents)) {
        throw std::runtime_error("bad type or CRC");
    }
    std::vector<std::uint8_t> dict(kRtfDictionarySize, 0);
    const std::string_view initial = rtf_initial_dictionary();
    std::copy(initial.begin(), initial.end(), dict.begin());
    std::size_t write = initial.size();
    std::string out;
    std::size_t at = 0;
    while (at < contents.size()) {
        const std::uint8_t control = contents[at++];
        for (int bit = 0; bit < 8; ++bit) {
            if (at >= contents.size()) {
                throw std::runtime_error("data ends without an end marker");
            }
            if ((control >> bit & 1) == 0) {
                const std::uint8_t c = contents[at++];
                out += static_cast<char>(c);
                dict[write] = c;
                write = (write + 1) % kRtfDictionarySize;
                continue;
            }
            if (at + 1 >= contents.size()) {
                throw std::runtime_error("reference cut short");
            }
            const std::uint16_t word =
                static_cast<std::uint16_t>(contents[at] << 8 | contents[at + 1]);
            at += 2;
            const std::size_t offset = word >> 4;
            const std::size_t length = (word & 0xF) + 2;
            if (offset == write) {
                if (out.size() != raw_size) {
                    throw std::runtime_error("RAWSIZE does not match the output");
                }
                return out;
            }
            for (std::size_t k = 0; k < length; ++k) {
                const std::uint8_t c = dict[(offset + k) % kRtfDictionarySize];
                out += static_cast<char>(c);
                dict[write] = c;
                write = (write + 1) % kRtfDictionarySize;
            }
        }
    }
    throw std::runtime_error("no end marker");
}

}  // namespace rtftest
