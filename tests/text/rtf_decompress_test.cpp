#include "text/rtf_decompress.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/le_bytes.h"
#include "support/rtf_compression.h"
#include "text/rtf_samples.h"

namespace mailwright::text {
namespace {

using rtf_test::AsText;
using rtf_test::Bytes;

// A value of the given contents behind a header; the CRC is the contents'
// unless given.
std::vector<uint8_t> WithHeader(const std::vector<uint8_t>& contents, uint32_t raw_size,
                                uint32_t type = pstbuild::kRtfCompressed,
                                std::optional<uint32_t> crc = std::nullopt) {
    std::vector<uint8_t> out;
    pstbuild::append_le(out, contents.size() + 12, 4);
    pstbuild::append_le(out, raw_size, 4);
    pstbuild::append_le(out, type, 4);
    pstbuild::append_le(out, crc ? *crc : pstbuild::compute_crc(contents), 4);
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

// The builder's compressed stream of `text` without its header.
std::vector<uint8_t> CompressedContents(const std::string& text) {
    const auto blob = pstbuild::rtf_compress(Bytes(text));
    return {blob.begin() + pstbuild::kRtfHeaderSize, blob.end()};
}

std::string DecompressedText(const std::vector<uint8_t>& blob) {
    return std::string(AsText(DecompressRtf(blob).rtf));
}

std::string ErrorOf(const std::vector<uint8_t>& blob) {
    try {
        DecompressRtf(blob);
    } catch (const compressed_rtf_error& e) {
        return e.what();
    }
    return "(no error)";
}

// The stream of [MS-OXRTFCP] 3.1.1.4 "Run 1": control 0x03, the references
// 00 0A (offset 0, 12 bytes) and 00 72 (offset 7, 4 bytes), six literals.
const std::vector<uint8_t> kRunOneContents = {0x03, 0x00, 0x0a, 0x00, 0x72, 0x63,
                                              0x70, 0x67, 0x31, 0x32, 0x35};

TEST(DecompressRtf, PublishedRunOneExample) {
    const auto blob = WithHeader(kRunOneContents, 22);
    EXPECT_EQ(DecompressedText(blob), "{\\rtf1\\ansi\\ansicpg125");
}

struct HeaderFault {
    const char* name;
    std::vector<uint8_t> blob;
    const char* message;
};

std::vector<HeaderFault> HeaderFaults() {
    const auto good = WithHeader(kRunOneContents, 22);
    auto bad_crc = good;
    bad_crc[20] ^= 0x01;  // a content byte
    auto comp_size_small = good;
    comp_size_small[0] -= 1;
    auto comp_size_large = good;
    comp_size_large[0] += 1;
    const std::vector<uint8_t> truncated(good.begin(), good.end() - 1);
    return {
        {"empty", {}, "Invalid compressed-RTF header"},
        {"fifteen_bytes", std::vector<uint8_t>(good.begin(), good.begin() + 15),
         "Invalid compressed-RTF header"},
        {"comp_size_one_too_small", comp_size_small, "compressed-RTF data size mismatch"},
        {"comp_size_one_too_large", comp_size_large, "compressed-RTF data size mismatch"},
        {"truncated_by_one_byte", truncated, "compressed-RTF data size mismatch"},
        {"content_byte_flipped", bad_crc, "compressed-RTF CRC32 failed"},
    };
}

TEST(DecompressRtf, HeaderFaultsThrowTheirMessages) {
    for (const auto& fault : HeaderFaults()) {
        EXPECT_EQ(ErrorOf(fault.blob), fault.message) << fault.name;
    }
}

TEST(DecompressRtf, UncompressedDataIsTakenAsItStands) {
    const std::string rtf = "{\\rtf1 plain}";
    // MELA carries no CRC: a stray value in the field is not checked.
    EXPECT_EQ(DecompressedText(WithHeader(Bytes(rtf), 13, pstbuild::kRtfUncompressed, 0x12345678u)),
              rtf);
    // RAWSIZE shorter than the data takes RAWSIZE bytes; longer never reads past the value.
    EXPECT_EQ(DecompressedText(WithHeader(Bytes(rtf), 6, pstbuild::kRtfUncompressed)), "{\\rtf1");
    EXPECT_EQ(DecompressedText(WithHeader(Bytes(rtf), 0xFFFFFFFFu, pstbuild::kRtfUncompressed)),
              rtf);
}

TEST(DecompressRtf, RoundTripsThroughTheBuildersCompressor) {
    std::string all_bytes;
    for (int i = 0; i < 256; ++i) {
        all_bytes += static_cast<char>(i);
    }
    std::string wrapping;  // longer than the dictionary, so slots are reused
    for (int i = 0; i < 700; ++i) {
        wrapping += "line " + std::to_string(i * 7919 % 1000) + "\\par ";
    }
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"dictionary_text", "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}"},
        {"overlapping_run", std::string(200, 'a')},
        {"all_byte_values", all_bytes},
        {"wraps_the_dictionary", wrapping},
    };
    for (const auto& [name, text] : cases) {
        EXPECT_EQ(DecompressedText(pstbuild::rtf_compress(Bytes(text))), text) << name;
    }
}

TEST(DecompressRtf, OutputEndsAtRawSizeTheCompletionReferenceOrTheInput) {
    const std::string text = "{\\rtf1 done done}";
    auto contents = CompressedContents(text);
    EXPECT_EQ(DecompressedText(WithHeader(contents, 10)), text.substr(0, 10));
    // RAWSIZE claims more than the stream holds: output ends at the completion
    // reference, not at whatever tokens follow it.
    contents.insert(contents.end(), {0x00, 'j', 'u', 'n', 'k', '!', '!', '!', '!'});
    EXPECT_EQ(DecompressedText(WithHeader(contents, 1000)), text);
    // Without a completion reference nothing of a huge RAWSIZE is allocated up front.
    const auto unended = std::vector<uint8_t>(contents.begin(), contents.end() - 11);
    EXPECT_EQ(DecompressedText(WithHeader(unended, 0xFFFFFFFFu)), text);
    // A control byte announcing a reference with only one byte left.
    EXPECT_EQ(DecompressedText(WithHeader({0x02, 'x', 0x00}, 100)), "x");
    // Offset 0x800 has never been written: it holds zero bytes.
    EXPECT_EQ(DecompressRtf(WithHeader({0x01, 0x80, 0x00}, 2)).rtf, (std::vector<uint8_t>{0, 0}));
}

}  // namespace
}  // namespace mailwright::text
