// Base64 in lines of 76 characters: where the separators go in the buffer
// and stream forms, and stream blocks that never split a line.
#include "text/base64.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace mailwright::text {
namespace {

std::vector<uint8_t> RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<uint8_t>(random());
    }
    return bytes;
}

std::string BufferLines(const std::vector<uint8_t>& data, std::string_view separator) {
    std::ostringstream out;
    WriteBase64Lines(data, out, separator);
    return out.str();
}

std::string StreamLines(const std::vector<uint8_t>& data, std::string_view separator) {
    std::istringstream in(std::string(data.begin(), data.end()));
    std::ostringstream out;
    WriteBase64Lines(in, out, separator);
    return out.str();
}

TEST(WriteBase64Lines, SeparatorPlacement) {
    const std::string line76(76, 'A');  // 57 zero bytes encode to 76 'A'
    struct Case {
        size_t size;
        std::string buffer_form;
        std::string stream_form;
    };
    const std::vector<Case> cases = {
        {0, "", ""},
        {57, line76, line76 + "|"},
        {58, line76 + "|AA==", line76 + "|AA=="},
        {114, line76 + "|" + line76, line76 + "|" + line76 + "|"},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> data(c.size, 0);
        EXPECT_EQ(BufferLines(data, "|"), c.buffer_form) << c.size;
        EXPECT_EQ(StreamLines(data, "|"), c.stream_form) << c.size;
    }
}

TEST(WriteBase64Lines, BlocksNeverSplitALine) {
    // Around the 57000-byte block size every line but a short last one is 76
    // characters followed by the separator, and the text equals the whole encoding.
    for (const size_t size : {56999u, 57000u, 114057u}) {
        const auto data = RandomBytes(size, static_cast<unsigned>(size));
        const std::string text = StreamLines(data, "\r\n");
        std::string joined;
        std::istringstream lines(text);
        std::string line;
        size_t count = 0;
        while (std::getline(lines, line)) {
            ASSERT_FALSE(line.empty());
            const bool separated = line.back() == '\r';
            if (separated) {
                line.pop_back();
            }
            joined += line;
            ++count;
            // Only a short last line (fewer than 57 bytes) goes without the separator.
            const bool last = lines.peek() == EOF;
            ASSERT_EQ(separated, !last || size % 57 == 0) << size;
            if (!last) {
                ASSERT_EQ(line.size(), 76u) << size;
            }
        }
        EXPECT_EQ(joined, Base64EncodeString(data)) << size;
        // The buffer form, written a block at a time, separates the same lines.
        EXPECT_EQ(BufferLines(data, "\r\n") + (size % 57 == 0 ? "\r\n" : ""), text) << size;
        EXPECT_EQ(count, (size + 56) / 57);
        EXPECT_EQ(text.back() == '\n', size % 57 == 0) << size;
    }
}

}  // namespace
}  // namespace mailwright::text
