// Opening a database: the ANSI/Unicode decision and the header checks.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "ndb_test_image.h"
#include "pstread/ndb/crc.h"
#include "pstread/ndb/database.h"

namespace {

using namespace ndbtest;
using pstread::crc_fail;
using pstread::crypt_method;

// A header alone, padded to `size` bytes.
byte_buffer header_file(const header_spec& spec, std::size_t size = 4096) {
    byte_buffer file = make_header(spec);
    file.resize(size, 0);
    return file;
}

header_spec ansi_spec() {
    header_spec spec;
    spec.unicode = false;
    spec.version = 14;
    spec.file_eof = 4096;
    return spec;
}

header_spec unicode_spec() {
    header_spec spec;
    spec.file_eof = 4096;
    return spec;
}

template <typename E>
std::string message_of(const byte_buffer& file) {
    try {
        open_bytes(file);
    } catch (const E& error) {
        return error.what();
    }
    return "(no exception)";
}

TEST(CrcTest, MatchesTheReferenceValues) {
    EXPECT_EQ(pstread::compute_crc({}), 0u);
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(pstread::compute_crc(abc), 0xCA6598D0u);
}

// The sample Unicode header of [MS-PST] 3.2, bytes 0x000-0x20F (the rest of
// the 568 bytes read at open are zero).
const char* const reference_header_hex[] = {
    "2142444E0EA99A37534D170013000101"  // 000
    "5C070000D07B990B0400000001000000"  // 010
    "54020000000000004500000000040000"  // 020
    "00040000040400000040000002000100"  // 030
    "04040000000400000004000000800000"  // 040
    "00040000000400000004000000040000"  // 050
    "04040000040400000404000000040000"  // 060
    "00040000000400000004000000040000"  // 070
    "00040000000400000004000000040000"  // 080
    "00040000000400000004000000040000"  // 090
    "00040000000400000F04000000000000"  // 0A0
    "000000000000000000249F0000000000"  // 0B0
    "00449B000000000040F2120000000000"  // 0C0
    "00000000000000004B02000000000000"  // 0D0
    "00529000000000005302000000000000"  // 0E0
    "000A9000000000000200000000000000"  // 0F0
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 100
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 110
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 120
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 130
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 140
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 150
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 160
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 170
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 180
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 190
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 1A0
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 1B0
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 1C0
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 1D0
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 1E0
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"  // 1F0
    "800100003414000000000000D683D21F"  // 200
};

byte_buffer reference_header() {
    byte_buffer bytes;
    for (const char* row : reference_header_hex) {
        for (std::size_t i = 0; row[i] != 0; i += 2) {
            bytes.push_back(
                static_cast<std::uint8_t>(std::stoul(std::string(row + i, 2), nullptr, 16)));
        }
    }
    bytes.resize(568, 0);
    return bytes;
}

TEST(HeaderTest, ReferenceSampleHeaderOpensAsUnicode) {
    const byte_buffer header = reference_header();
    // Both stored CRCs of the sample match the computation.
    EXPECT_EQ(pstread::compute_crc(std::span(header).subspan(8, 471)), 0x379AA90Eu);
    EXPECT_EQ(pstread::compute_crc(std::span(header).subspan(8, 516)), 0x1FD283D6u);
    const auto db = open_bytes(header);
    EXPECT_TRUE(db->is_unicode());
    EXPECT_EQ(db->get_format_version(), 23);
    EXPECT_EQ(db->get_file_eof(), 0x9F2400u);
    EXPECT_EQ(db->get_crypt_method(), crypt_method::permute);
    // The B-tree roots lie beyond this 568-byte file: opening reads nothing
    // else, the first lookup fails.
    EXPECT_THROW(db->lookup_node_info(0x21), std::out_of_range);
}

TEST(HeaderTest, ShortFilesFailToRead) {
    // Fewer than 512 bytes: the ANSI attempt's read fails, not its version test.
    byte_buffer ansi = header_file(ansi_spec(), 511);
    EXPECT_EQ(message_of<std::out_of_range>(ansi), "fread failed");
    // A Unicode header of 512 to 567 bytes passes the ANSI read, is rejected
    // by its version test, and the Unicode read fails.
    byte_buffer unicode = make_header(unicode_spec());
    unicode.resize(540);
    EXPECT_EQ(message_of<std::out_of_range>(unicode), "fread failed");
    EXPECT_EQ(message_of<std::out_of_range>(byte_buffer{}), "fread failed");
}

TEST(HeaderTest, MissingFileFailsToOpen) {
    try {
        pstread::open_database("/nonexistent/dir/file.pst");
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "fopen failed");
    }
}

TEST(HeaderTest, VersionDecidesTheVariant) {
    struct row {
        bool unicode_layout;
        std::uint16_t version;
    };
    for (const row r : {row{false, 14}, row{false, 15}, row{false, 19}, row{true, 20},
                        row{true, 23}, row{true, 36}}) {
        SCOPED_TRACE(r.version);
        header_spec spec = r.unicode_layout ? unicode_spec() : ansi_spec();
        spec.version = r.version;
        const auto db = open_bytes(header_file(spec));
        EXPECT_EQ(db->is_unicode(), r.unicode_layout);
        EXPECT_EQ(db->get_format_version(), r.version);
        EXPECT_EQ(db->get_file_eof(), 4096u);
    }
}

TEST(HeaderTest, MagicNumbersAreNotChecked) {
    for (const bool unicode : {false, true}) {
        byte_buffer file = header_file(unicode ? unicode_spec() : ansi_spec());
        put_le(file, 0, 0x12345678, 4);  // dwMagic
        put_le(file, 8, 0x4F53, 2);      // wMagicClient "SO"
        seal_header(file, unicode);
        EXPECT_NO_THROW(open_bytes(file)) << unicode;
    }
}

TEST(HeaderTest, AnsiPartialCrcMismatchFailsWithoutTryingUnicode) {
    const byte_buffer valid = header_file(ansi_spec());
    byte_buffer file = valid;
    file[100] ^= 0x01;  // inside the 471 bytes from offset 8
    try {
        open_bytes(file);
        FAIL() << "no exception";
    } catch (const crc_fail& error) {
        EXPECT_STREQ(error.what(), "header dwCRCPartial failure");
        EXPECT_EQ(error.location(), 0u);
        EXPECT_EQ(error.id(), 0u);
        EXPECT_EQ(error.stored(), pstread::compute_crc(std::span(valid).subspan(8, 471)));
        EXPECT_EQ(error.computed(), pstread::compute_crc(std::span(file).subspan(8, 471)));
    }
}

TEST(HeaderTest, AnsiBytesPastThePartialCrcMayChange) {
    byte_buffer file = header_file(ansi_spec());
    for (std::size_t i = 479; i < 512; ++i) {
        file[i] = 0xA5;
    }
    EXPECT_NO_THROW(open_bytes(file));
}

TEST(HeaderTest, UnicodeCrcFailuresNameTheFirstFailingCrc) {
    // Only the full CRC covers 479..523.
    byte_buffer full_only = header_file(unicode_spec());
    full_only[500] ^= 0x01;
    EXPECT_EQ(message_of<crc_fail>(full_only), "header dwCRCFull failure");
    // Both wrong: the partial CRC is reported.
    byte_buffer both = header_file(unicode_spec());
    both[100] ^= 0x01;
    EXPECT_EQ(message_of<crc_fail>(both), "header dwCRCPartial failure");
}

TEST(HeaderTest, CryptMethodIsReadAndUnknownValuesMeanNone) {
    struct row {
        std::uint8_t stored;
        crypt_method expected;
    };
    for (const bool unicode : {false, true}) {
        for (const row r : {row{0, crypt_method::none}, row{1, crypt_method::permute},
                            row{2, crypt_method::cyclic}, row{0x10, crypt_method::none},
                            row{0xFF, crypt_method::none}}) {
            header_spec spec = unicode ? unicode_spec() : ansi_spec();
            spec.crypt = r.stored;
            EXPECT_EQ(open_bytes(header_file(spec))->get_crypt_method(), r.expected)
                << unicode << " " << int(r.stored);
        }
    }
}

TEST(HeaderTest, UnknownCryptMethodLeavesBlockDataUndecoded) {
    image img(true);
    const byte_buffer data = {1, 2, 3, 4, 5};
    img.add_block(0x40, data);
    img.add_node({0x21, 0x40, 0, 0});
    byte_buffer file = img.finish();
    file[513] = 0x10;  // bCryptMethod
    seal_header(file, true);
    const auto db = open_bytes(file);
    EXPECT_EQ(db->lookup_node(0x21).read_all(), data);
}

}  // namespace
