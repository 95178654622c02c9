// A small LZFu compressor for tests. It writes streams the way [MS-OXRTFCP]
// describes them (control byte, eight tokens, big-endian references into the
// 4096-byte dictionary, a completion reference at the end) so decompression
// can be checked on round trips of arbitrary texts, including overlapping
// references. It shares no code with the decompressor.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace rtf_test {

inline constexpr char kInitialDictionary[] =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}"
    "{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript "
    "\\fdecor MS Sans SerifSymbolArialTimes New RomanCourier"
    "{\\colortbl\\red0\\green0\\blue0\r\n"
    "\\par \\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";

inline constexpr uint32_t kLzfu = 0x75465A4Cu;
inline constexpr uint32_t kMela = 0x414C454Du;

// Reflected CRC-32, register starting at 0, no final inversion, bit by bit.
inline uint32_t ReferenceCrc(const uint8_t* data, size_t size) {
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
    }
    return crc;
}

inline void PutLittleEndian32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// Header (COMPSIZE, RAWSIZE, COMPTYPE, CRC) followed by `contents`. The CRC is
// computed for LZFu and 0 for anything else unless given.
inline std::vector<uint8_t> WithHeader(const std::vector<uint8_t>& contents, uint32_t raw_size,
                                       uint32_t comp_type = kLzfu,
                                       std::optional<uint32_t> crc = std::nullopt) {
    std::vector<uint8_t> out;
    PutLittleEndian32(out, static_cast<uint32_t>(contents.size() + 12));
    PutLittleEndian32(out, raw_size);
    PutLittleEndian32(out, comp_type);
    PutLittleEndian32(
        out,
        crc.value_or(comp_type == kLzfu ? ReferenceCrc(contents.data(), contents.size()) : 0u));
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

// Greedy compression: at each position the longest match (2..17 bytes) among
// dictionary slots already written, overlapping matches included.
inline std::vector<uint8_t> CompressContents(std::string_view text, bool end_marker = true) {
    constexpr size_t kSize = 4096;
    std::array<uint8_t, kSize> dictionary{};
    const size_t initial = sizeof(kInitialDictionary) - 1;
    std::memcpy(dictionary.data(), kInitialDictionary, initial);
    size_t write = initial;
    size_t written = initial;  // slots that hold real data

    std::vector<uint8_t> out;
    size_t control_index = 0;
    int token = 8;
    auto start_token = [&](bool reference) {
        if (token == 8) {
            control_index = out.size();
            out.push_back(0);
            token = 0;
        }
        if (reference) {
            out[control_index] |= static_cast<uint8_t>(1u << token);
        }
        ++token;
    };
    auto put = [&](uint8_t byte) {
        dictionary[write] = byte;
        write = (write + 1) % kSize;
        written = std::min(kSize, written + 1);
    };

    size_t i = 0;
    while (i < text.size()) {
        size_t best_length = 0;
        size_t best_offset = 0;
        const size_t max_length = std::min<size_t>(17, text.size() - i);
        for (size_t offset = 0; offset < kSize && max_length >= 2; ++offset) {
            if (offset == write) {
                continue;  // that reference means "end of data"
            }
            const size_t age = (write + kSize - offset) % kSize;  // distance back from write
            if (age > written) {
                continue;
            }
            size_t length = 0;
            while (length < max_length) {
                const size_t slot = (offset + length) % kSize;
                const size_t ahead = (slot + kSize - write) % kSize;
                const uint8_t byte =
                    ahead < length ? static_cast<uint8_t>(text[i + ahead]) : dictionary[slot];
                if (byte != static_cast<uint8_t>(text[i + length])) {
                    break;
                }
                ++length;
            }
            if (length > best_length) {
                best_length = length;
                best_offset = offset;
            }
        }
        if (best_length >= 2) {
            start_token(true);
            const unsigned word = static_cast<unsigned>(best_offset << 4 | (best_length - 2));
            out.push_back(static_cast<uint8_t>(word >> 8));
            out.push_back(static_cast<uint8_t>(word & 0xFF));
            for (size_t k = 0; k < best_length; ++k) {
                put(static_cast<uint8_t>(text[i + k]));
            }
            i += best_length;
        } else {
            start_token(false);
            out.push_back(static_cast<uint8_t>(text[i]));
            put(static_cast<uint8_t>(text[i]));
            ++i;
        }
    }
    if (end_marker) {
        start_token(true);
        const unsigned word = static_cast<unsigned>(write << 4);
        out.push_back(static_cast<uint8_t>(word >> 8));
        out.push_back(static_cast<uint8_t>(word & 0xFF));
    }
    return out;
}

inline std::vector<uint8_t> Compress(std::string_view text) {
    return WithHeader(CompressContents(text), static_cast<uint32_t>(text.size()));
}

inline std::vector<uint8_t> Bytes(std::string_view text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

inline std::string_view AsText(const std::vector<uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace rtf_test
