// Opening a database: the sample header of the format, the ANSI/Unicode
// decision, and headers one change away from valid.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ndb_file.h"
#include "pstread/ndb/crc.h"
#include "support_tests/sample_header.h"

namespace {

using namespace ndbfile;
using pstread::crypt_method;

TEST(HeaderTest, SampleHeaderOpensAsUnicode) {
    bytes header = testbytes::sample_header();
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
    const std::string error =
        error_of<pstread::database_corrupt>([&] { db->lookup_node_info(0x21); });
    EXPECT_TRUE(contains(error, "truncated: header says 10429440 bytes, file has 568")) << error;
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
        {"empty file", Variant::unicode, 0, cut(0), "not a PST file (only 0 bytes)"},
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
            const std::string error =
                error_of<pstread::database_corrupt>([&] { open_bytes(built.file); });
            EXPECT_TRUE(contains(error, c.error)) << error;
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
