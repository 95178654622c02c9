#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hex_bytes.h"
#include "rtf_decoder.h"
#include "support/le_bytes.h"
#include "support/prng.h"
#include "support/rtf_compression.h"

namespace {

using namespace pstbuild;

std::vector<std::uint8_t> bytes_of(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(RtfCompression, UncompressedFormIsHeaderAndText) {
    const std::vector<std::uint8_t> stored = rtf_uncompressed(bytes_of("{\\rtf1 hi}"));
    // COMPSIZE 10 + 12, RAWSIZE 10, "MELA", CRC 0, then the text.
    EXPECT_EQ(stored, testbytes::from_hex("16 00 00 00 0A 00 00 00 4D 45 4C 41 00 00 00 00"
                                          "7B 5C 72 74 66 31 20 68 69 7D"));
}

TEST(RtfCompression, FirstRunMatchesThePublishedExample) {
    // [MS-OXRTFCP] 3.1.1.4: the first run of this input is a reference to
    // "{\rtf1\ansi\" (offset 0, length 12), one to "ansi" and six literals.
    const std::vector<std::uint8_t> stored =
        rtf_compress(bytes_of("{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n"));
    ASSERT_GT(stored.size(), 27u);
    EXPECT_EQ(get_u32(stored, 8), kRtfCompressed);
    EXPECT_EQ(std::vector<std::uint8_t>(stored.begin() + 16, stored.begin() + 27),
              testbytes::from_hex("03 00 0A 00 72 63 70 67 31 32 35"));
}

TEST(RtfCompression, DictionaryPrefixIsThePublishedOne) {
    const std::string_view dictionary = rtf_initial_dictionary();
    ASSERT_EQ(dictionary.size(), 207u);
    EXPECT_EQ(dictionary.substr(0, 12), "{\\rtf1\\ansi\\");
    EXPECT_EQ(dictionary.substr(168, 2), "\r\n");
    EXPECT_EQ(dictionary.substr(195), "b\\i\\u\\tab\\tx");
}

std::string repeated(const std::string& unit, std::size_t size) {
    std::string out;
    while (out.size() < size) {
        out += unit;
    }
    return out.substr(0, size);
}

std::string pseudo_random(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    Prng(7).fill(bytes);
    return std::string(bytes.begin(), bytes.end());
}

TEST(RtfCompression, CompressedFormsDecodeToTheirInput) {
    const struct {
        const char* name;
        std::string rtf;
    } cases[] = {
        {"empty", ""},
        {"one byte", "x"},
        {"starts like the dictionary", "{\\rtf1\\ansi\\ansicpg1251\\deff0 \\par text}"},
        // A run of one byte is copied by references that overlap the bytes
        // they write.
        {"one byte repeated", std::string(500, 'a')},
        // More than the 4096-byte dictionary: references wrap around it.
        {"repeated text past the dictionary", repeated("Hello, \\u1055?world\\par\r\n", 20000)},
        {"incompressible", pseudo_random(9000)},
        {"high bytes", repeated("\xFF\xFE\x80\x00\x01", 5000)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> stored = rtf_compress(bytes_of(c.rtf));
        EXPECT_EQ(get_u32(stored, 0) + 4u, stored.size());
        EXPECT_EQ(get_u32(stored, 4), c.rtf.size());
        EXPECT_EQ(rtftest::decompress(stored), c.rtf);
        EXPECT_EQ(rtftest::decompress(rtf_uncompressed(bytes_of(c.rtf))), c.rtf);
    }
}

TEST(RtfCompression, RepetitiveTextShrinks) {
    const std::string rtf = repeated("{\\b bold\\b0 and plain}\\par ", 30000);
    EXPECT_LT(rtf_compress(bytes_of(rtf)).size(), rtf.size() / 4);
}

}  // namespace
