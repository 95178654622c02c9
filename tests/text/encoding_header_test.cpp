#include "text/header_encoding.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "text/python_oracle.h"
#include "text/whole_value_conversion.h"

namespace mailwright::text {
namespace {

struct Encoded {
    std::string text;
    bool plain;
};

Encoded Encode(std::u16string_view text, bool quote, std::string_view line_end = "\r\n") {
    Encoded result;
    result.plain = EncodeHeaderText(text, quote, result.text, line_end);
    return result;
}

std::string Base64Decode(std::string_view text) {
    static const std::string kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        const size_t value = kAlphabet.find(c);
        if (value == std::string::npos) {
            continue;
        }
        bits = bits << 6 | static_cast<uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

bool IsCompleteUtf8(std::string_view bytes) {
    return utf16_to_utf8(utf8_to_utf16(bytes)) == bytes &&
           utf8_to_utf16(bytes).find(u'\uFFFD') == std::u16string::npos;
}

// The encoded-words of a header value, in order.
std::vector<std::string> Words(const std::string& value) {
    std::vector<std::string> words;
    for (size_t at = value.find("=?"); at != std::string::npos; at = value.find("=?", at + 2)) {
        const size_t end = value.find("?=", at + 10);
        words.push_back(value.substr(at, end + 2 - at));
        at = end;
    }
    return words;
}

TEST(EncodeHeaderText, PlainAsciiAndQuoting) {
    struct Case {
        std::u16string text;
        bool quote;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {u"", true, ""},
        {u"Hello World", false, "Hello World"},
        {u"Hello World", true, "\"Hello World\""},
        // A quoted-string escapes its double quotes and backslashes.
        {u"Say \"hi\" \\o/", true, "\"Say \\\"hi\\\" \\\\o/\""},
        {u"Say \"hi\" \\o/", false, "Say \"hi\" \\o/"},
        // The text ends at a NUL; line breaks cannot stand in a header.
        {std::u16string(u"abc\0def", 7), false, "abc"},
        {u"line one\r\nline two", false, "line one line two"},
        {u"a\n\n\r\nb\rc", true, "\"a b c\""},
    };
    for (const Case& c : cases) {
        const Encoded encoded = Encode(c.text, c.quote);
        EXPECT_EQ(encoded.text, c.expected) << encoded.text;
        EXPECT_TRUE(encoded.plain);
    }

    std::string out = "prefix ";
    EncodeHeaderText(u"more", false, out);
    EXPECT_EQ(out, "prefix more");  // appends
}

TEST(EncodeHeaderText, NonAsciiBecomesEncodedWords) {
    for (const bool quote : {false, true}) {
        const Encoded encoded = Encode(u"M\u00FCller", quote);
        EXPECT_EQ(encoded.text, "=?utf-8?B?TcO8bGxlcg==?=");
        EXPECT_FALSE(encoded.plain);
    }
    // A lone surrogate is not plain ASCII either; it becomes U+FFFD.
    EXPECT_EQ(Encode(u"a\xD800", false).text, "=?utf-8?B?Ye+/vQ==?=");
}

TEST(EncodeHeaderText, LongTextIsSplitIntoWholeCharacterWords) {
    const std::vector<std::u16string> alphabets = {
        u"\u00E9",      // two UTF-8 bytes
        u"\u4E2D",      // three
        u"\U0001F600",  // four (a surrogate pair)
        u"a\u00E9\u4E2D\U0001F600",
    };
    for (const auto& alphabet : alphabets) {
        for (size_t prefix = 0; prefix < 5; ++prefix) {
            std::u16string text(prefix, u'x');
            for (int i = 0; i < 60; ++i) {
                text += alphabet;
            }
            const Encoded encoded = Encode(text, true);
            const auto words = Words(encoded.text);
            ASSERT_GT(words.size(), 1u);
            std::string joined;
            for (size_t i = 0; i < words.size(); ++i) {
                EXPECT_LE(words[i].size(), kMaxEncodedWordLength);
                const std::string bytes = Base64Decode(words[i].substr(10, words[i].size() - 12));
                EXPECT_TRUE(IsCompleteUtf8(bytes)) << "word " << i;
                joined += bytes;
            }
            EXPECT_EQ(joined, utf16_to_utf8(text));
            // Words are folded onto continuation lines.
            std::string expected_layout;
            for (size_t i = 0; i < words.size(); ++i) {
                expected_layout += (i ? "\r\n " : "") + words[i];
            }
            EXPECT_EQ(encoded.text, expected_layout);
        }
    }
    // The line end is the caller's (LF in MBOX files).
    EXPECT_NE(Encode(std::u16string(100, u'\u00E9'), false, "\n").text.find("?=\n =?"),
              std::string::npos);
}

TEST(EncodeHeaderText, PythonDecodesTheHeaders) {
    if (!python_oracle::Available()) {
        GTEST_SKIP() << "python3 not found";
    }
    std::u16string long_subject;
    for (int i = 0; i < 300; ++i) {
        long_subject += u"\u041F\u0440\u0438\u0432\u0435\u0442 \U0001F600 "[i % 10];
    }
    const std::vector<std::u16string> subjects = {
        u"Hello", u"Gr\u00FC\u00DFe aus K\u00F6ln", long_subject,
        u"\u65E5\u672C\u8A9E\u306E\u4EF6\u540D\u3068\U0001F600\u3092\u542B\u3080\u9577\u3044"
        u"\u4EF6\u540D\u3067\u3059\u3002\u3082\u3063\u3068\u9577\u304F\u3001\u3082\u3063\u3068"};
    std::vector<std::unique_ptr<python_oracle::TempFile>> files;
    std::vector<std::string> arguments;
    for (const auto& subject : subjects) {
        std::string header = "Subject: ";
        EncodeHeaderText(subject, false, header);
        files.push_back(std::make_unique<python_oracle::TempFile>(header));
        arguments.push_back(files.back()->path());
        files.push_back(std::make_unique<python_oracle::TempFile>(utf16_to_utf8(subject)));
        arguments.push_back(files.back()->path());
    }
    const char* script = R"PY(
import sys, email, email.header, email.policy
args = sys.argv[1:]
for header_path, expected_path in zip(args[0::2], args[1::2]):
    header = open(header_path, 'rb').read().decode('ascii')
    expected = open(expected_path, 'rb').read().decode('utf-8')
    for line in header.split('\r\n')[1:]:
        assert line.startswith(' ') and len(line) <= 76, line
    value = header[len('Subject: '):].replace('\r\n', '')
    decoded = str(email.header.make_header(email.header.decode_header(value)))
    assert decoded == expected, (decoded, expected)
    message = email.message_from_bytes((header + '\r\n\r\nbody').encode('ascii'),
                                       policy=email.policy.default)
    assert message['subject'] == expected, (message['subject'], expected)
print('ok')
)PY";
    const auto result = python_oracle::Run(script, arguments);
    EXPECT_EQ(result.exit_code, 0) << result.output;
}

}  // namespace
}  // namespace mailwright::text
