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

// The decompressed text, or the fault's message.
std::string Decompressed(const std::vector<uint8_t>& blob) {
    try {
        return std::string(AsText(DecompressRtf(blob).rtf));
    } catch (const compressed_rtf_error& e) {
        return std::string("fault: ") + e.what();
    }
}

// The format's published example stream: control 0x03, the references
// 00 0A (offset 0, 12 bytes) and 00 72 (offset 7, 4 bytes), six literals.
const std::vector<uint8_t> kRunOneContents = {0x03, 0x00, 0x0a, 0x00, 0x72, 0x63,
                                              0x70, 0x67, 0x31, 0x32, 0x35};

TEST(DecompressRtf, ValuesGiveTheirTextOrTheirFault) {
    const auto good = WithHeader(kRunOneContents, 22);
    const auto changed = [&](size_t at, int delta) {
        auto blob = good;
        blob[at] = static_cast<uint8_t>(blob[at] + delta);
        return blob;
    };
    const std::string rtf = "{\\rtf1 plain}";
    const std::string text = "{\\rtf1 done done}";
    auto contents = CompressedContents(text);
    // Tokens after the completion reference are not output.
    auto junk = contents;
    junk.insert(junk.end(), {0x00, 'j', 'u', 'n', 'k', '!', '!', '!', '!'});
    const auto unended = std::vector<uint8_t>(contents.begin(), contents.end() - 2);
    const std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
        {good, "{\\rtf1\\ansi\\ansicpg125"},
        {{}, "fault: Invalid compressed-RTF header"},
        {{good.begin(), good.begin() + 15}, "fault: Invalid compressed-RTF header"},
        {changed(0, -1), "fault: compressed-RTF data size mismatch"},
        {changed(0, 1), "fault: compressed-RTF data size mismatch"},
        {{good.begin(), good.end() - 1}, "fault: compressed-RTF data size mismatch"},
        {changed(20, 1), "fault: compressed-RTF CRC32 failed"},
        // MELA carries no CRC: a stray value in the field is not checked.
        // RAWSIZE shorter than the data takes RAWSIZE bytes; longer never
        // reads past the value.
        {WithHeader(Bytes(rtf), 13, pstbuild::kRtfUncompressed, 0x12345678u), rtf},
        {WithHeader(Bytes(rtf), 6, pstbuild::kRtfUncompressed), "{\\rtf1"},
        {WithHeader(Bytes(rtf), 0xFFFFFFFFu, pstbuild::kRtfUncompressed), rtf},
        // Output ends at RAWSIZE, at the completion reference, or at the end
        // of the input (nothing of a huge RAWSIZE allocated up front).
        {WithHeader(contents, 10), text.substr(0, 10)},
        {WithHeader(junk, 1000), text},
        {WithHeader(unended, 0xFFFFFFFFu), text},
        // A control byte announcing a reference with only one byte left.
        {WithHeader({0x02, 'x', 0x00}, 100), "x"},
        // Offset 0x800 has never been written: it holds zero bytes.
        {WithHeader({0x01, 0x80, 0x00}, 2), std::string(2, '\0')},
    };
    for (const auto& [blob, expected] : cases) {
        EXPECT_EQ(Decompressed(blob), expected) << expected;
    }
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
        EXPECT_EQ(Decompressed(pstbuild::rtf_compress(Bytes(text))), text) << name;
    }
}

}  // namespace
}  // namespace mailwright::text
