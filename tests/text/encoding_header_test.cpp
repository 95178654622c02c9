#include "text/header_encoding.h"

#include <gtest/gtest.h>

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
    // Long text is folded with the caller's line end (LF in MBOX files).
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
    std::vector<std::u16string> subjects = {u"Hello", u"Gr\u00FC\u00DFe aus K\u00F6ln",
                                            long_subject};
    // Characters of two, three and four UTF-8 bytes at every place of a word's end.
    for (std::size_t prefix = 0; prefix < 5; ++prefix) {
        subjects.push_back(std::u16string(prefix, u'x'));
        for (int i = 0; i < 60; ++i) {
            subjects.back() += u"a\u00E9\u4E2D\U0001F600";
        }
    }
    std::vector<std::string> arguments;  // the header, then the subject it holds
    for (const auto& subject : subjects) {
        arguments.push_back("Subject: ");
        EncodeHeaderText(subject, false, arguments.back());
        arguments.push_back(utf16_to_utf8(subject));
    }
    const char* script = R"PY(
import base64, re, sys, email, email.header, email.policy
args = sys.argv[1:]
for header_path, expected_path in zip(args[0::2], args[1::2]):
    header = open(header_path, 'rb').read().decode('ascii')
    expected = open(expected_path, 'rb').read().decode('utf-8')
    for line in header.split('\r\n')[1:]:
        assert line.startswith(' ') and len(line) <= 76, line
    value = header[len('Subject: '):].replace('\r\n', '')
    # Every encoded word holds whole characters and fits its length limit.
    for word in re.findall(r'=\?utf-8\?B\?([^?]*)\?=', value):
        assert len(word) + 12 <= 75, word
        base64.b64decode(word).decode('utf-8')
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
