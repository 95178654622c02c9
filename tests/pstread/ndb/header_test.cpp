// Opening a database: the sample header of the format, the ANSI/Unicode
// decision, and headers one change away from valid.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

#include "ndb_file.h"
#include "pstread/ndb/crc.h"

namespace {

using namespace ndbfile;
using pstread::crypt_method;

// The sample Unicode header of [MS-PST] 3.2: bytes 0x000-0x0FF and
// 0x200-0x20F (0x100-0x1FF are rgbFM and rgbFP, all 0xFF).
constexpr const char* kSampleHeaderStart =
    "21 42 44 4E 0E A9 9A 37 53 4D 17 00 13 00 01 01"
    "5C 07 00 00 D0 7B 99 0B 04 00 00 00 01 00 00 00"
    "54 02 00 00 00 00 00 00 45 00 00 00 00 04 00 00"
    "00 04 00 00 04 04 00 00 00 40 00 00 02 00 01 00"
    "04 04 00 00 00 04 00 00 00 04 00 00 00 80 00 00"
    "00 04 00 00 00 04 00 00 00 04 00 00 00 04 00 00"
    "04 04 00 00 04 04 00 00 04 04 00 00 00 04 00 00"
    "00 04 00 00 00 04 00 00 00 04 00 00 00 04 00 00"
    "00 04 00 00 00 04 00 00 00 04 00 00 00 04 00 00"
    "00 04 00 00 00 04 00 00 00 04 00 00 00 04 00 00"
    "00 04 00 00 00 04 00 00 0F 04 00 00 00 00 00 00"
    "00 00 00 00 00 00 00 00 00 24 9F 00 00 00 00 00"
    "00 44 9B 00 00 00 00 00 40 F2 12 00 00 00 00 00"
    "00 00 00 00 00 00 00 00 4B 02 00 00 00 00 00 00"
    "00 52 90 00 00 00 00 00 53 02 00 00 00 00 00 00"
    "00 0A 90 00 00 00 00 00 02 00 00 00 00 00 00 00";
constexpr const char* kSampleHeaderTail = "80 01 00 00 34 14 00 00 00 00 00 00 D6 83 D2 1F";

// Pairs of hex digits; spaces are ignored.
bytes from_hex(std::string_view text) {
    bytes out;
    for (std::size_t i = 0; i + 1 < text.size(); i += text[i] == ' ' ? 1 : 2) {
        if (text[i] != ' ') {
            out.push_back(
                static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
        }
    }
    return out;
}

// The CRC one bit at a time, as the format defines it, against the fast
// paths (folded runs of 64 bytes, eight-byte tables, the bytes left over)
// at every length up to a few folds and at a whole block's.
TEST(HeaderTest, CrcMatchesItsBitwiseDefinition) {
    bytes data(8200);
    std::generate(data.begin(), data.end(),
                  [n = 0u]() mutable { return (n = n * 69069 + 1) >> 24; });
    const auto bitwise = [](std::span<const std::uint8_t> run) {
        std::uint32_t crc = 0;
        for (const std::uint8_t byte : run) {
            crc ^= byte;
            for (int bit = 0; bit < 8; ++bit) {
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
            }
        }
        return crc;
    };
    for (std::size_t length : {std::size_t{8176}, std::size_t{8180}}) {
        EXPECT_EQ(pstread::compute_crc(std::span(data).subspan(3, length)),
                  bitwise(std::span(data).subspan(3, length)));
    }
    for (std::size_t length = 0; length < 300; ++length) {
        const auto run = std::span(data).subspan(1, length);
        ASSERT_EQ(pstread::compute_crc(run), bitwise(run)) << length;
    }
}

TEST(HeaderTest, SampleHeaderOpensAsUnicode) {
    bytes header = from_hex(kSampleHeaderStart);
    header.resize(0x200, 0xFF);
    const bytes tail = from_hex(kSampleHeaderTail);
    header.insert(header.end(), tail.begin(), tail.end());
    header.resize(568, 0);
    EXPECT_EQ(pstread::compute_crc(std::span(header).subspan(8, 471)), 0x379AA90Eu);
    EXPECT_EQ(pstread::compute_crc(std::span(header).subspan(8, 516)), 0x1FD283D6u);
    const auto db = open_bytes(header);
    EXPECT_TRUE(db->is_unicode());
    EXPECT_EQ(db->get_format_version(), 23);
    EXPECT_EQ(db->get_file_eof(), 0x9F2400u);
    EXPECT_EQ(db->get_crypt_method(), crypt_method::permute);
    // The B-tree roots lie past this short file: the first lookup is a fault
    // of the file that names where it read.
    EXPECT_TRUE(fails_with([&] { db->lookup_node_info(0x21); },
                           "truncated: header says 10429440 bytes, file has 568"));
}

struct header_case {
    const char* name;
    Variant variant;
    std::uint16_t wVer;                       // 0: the variant's default
    std::function<void(built_file&)> change;  // one change from valid
    const char* error;                        // nullptr: the file opens
    crypt_method crypt = crypt_method::none;
};

TEST(HeaderTest, OneChangeFromValid) {
    const auto none = [](built_file&) {};
    const auto flip = [](std::size_t offset) {
        return [offset](built_file& f) { f.file[offset] ^= 0x01; };
    };
    const auto cut = [](std::size_t size) {
        return [size](built_file& f) { f.file.resize(size); };
    };
    const auto crypt = [](std::uint8_t value) {
        return [value](built_file& f) { f.set_header(f.layout.header().bCryptMethod, value); };
    };
    const header_case cases[] = {
        {"ANSI wVer 19", Variant::ansi, 19, none, nullptr},
        {"Unicode wVer 20", Variant::unicode, 20, none, nullptr},
        {"dwMagic is checked", Variant::ansi, 0,
         [](built_file& f) {
             f.file[0] = 'X';
             pstbuild::refresh_header_crcs(f.file, f.layout.variant);
         },
         "not a PST file (bad signature)"},
        {"ANSI bytes past the partial CRC may change", Variant::ansi, 0, flip(490), nullptr},
        {"ANSI partial CRC, Unicode not tried", Variant::ansi, 0, flip(100),
         "header dwCRCPartial failure"},
        {"Unicode partial CRC first", Variant::unicode, 0, flip(100),
         "header dwCRCPartial failure"},
        {"Unicode full CRC only", Variant::unicode, 0, flip(500), "header dwCRCFull failure"},
        {"shorter than an ANSI header", Variant::ansi, 0, cut(511),
         "not a PST file (only 511 bytes)"},
        {"shorter than a Unicode header", Variant::unicode, 0, cut(540),
         "not a PST file (only 540 bytes)"},
        {"bCryptMethod permute", Variant::unicode, 0, crypt(1), nullptr, crypt_method::permute},
        {"bCryptMethod cyclic", Variant::ansi, 0, crypt(2), nullptr, crypt_method::cyclic},
        {"unknown bCryptMethod reads as none", Variant::unicode, 0, crypt(0x10), nullptr},
    };
    for (const header_case& c : cases) {
        SCOPED_TRACE(c.name);
        auto opts = options(c.variant);
        opts.wVer = c.wVer;
        pstbuild::NdbBuilder builder(opts);
        builder.add_node(0x21, pattern(10, 1));
        built_file built = finish(builder);
        c.change(built);
        if (c.error) {
            EXPECT_TRUE(fails_with([&] { open_bytes(built.file); }, c.error));
            continue;
        }
        const auto db = open_bytes(built.file);
        EXPECT_EQ(db->is_unicode(), c.variant == Variant::unicode);
        EXPECT_EQ(db->get_format_version(),
                  c.wVer ? c.wVer : (c.variant == Variant::ansi ? 14 : 23));
        EXPECT_EQ(db->get_file_eof(), built.file.size());
        EXPECT_EQ(db->get_crypt_method(), c.crypt);
        if (c.crypt == crypt_method::none) {
            EXPECT_EQ(db->lookup_node(0x21).read_all(), pattern(10, 1));  // left undecoded
        }
    }
}

}  // namespace
