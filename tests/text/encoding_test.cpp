// Text the writers put into mail headers and vCards: header values as
// encoded words, mail addresses, base64 in lines of 76 characters, and the
// escaped, folded text values of vCard lines. Python's email package decodes
// the headers and parses the addresses.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "text/base64.h"
#include "text/code_page_table.h"
#include "text/header_encoding.h"
#include "text/mail_address.h"
#include "text/python_oracle.h"
#include "text/text_escaping.h"
#include "text/whole_value_conversion.h"

namespace mailwright::text {
namespace {

TEST(EncodeHeaderText, PlainAsciiQuotedOrEncodedWords) {
    struct Case {
        std::u16string text;
        bool quote;
        std::string expected;  // after "prefix ": the text is appended
        bool plain = true;
    };
    const Case cases[] = {
        {u"", true, ""},
        {u"Hello World", false, "Hello World"},
        {u"Hello World", true, "\"Hello World\""},
        // The text ends at a NUL; line breaks cannot stand in a header.
        {std::u16string(u"abc\0def", 7), false, "abc"},
        {u"line one\r\nline two", false, "line one line two"},
        {u"a\n\n\r\nb\rc", true, "\"a b c\""},
        {u"M\u00FCller", false, "=?utf-8?B?TcO8bGxlcg==?=", false},
        {u"M\u00FCller", true, "=?utf-8?B?TcO8bGxlcg==?=", false},
        // A lone surrogate is not plain ASCII either; it becomes U+FFFD.
        {u"a\xD800", false, "=?utf-8?B?Ye+/vQ==?=", false},
    };
    for (const Case& c : cases) {
        std::string out = "prefix ";
        EXPECT_EQ(EncodeHeaderText(c.text, c.quote, out), c.plain) << c.expected;
        EXPECT_EQ(out, "prefix " + c.expected);
    }
    // Long text is folded with the caller's line end (LF in MBOX files).
    std::string folded;
    EncodeHeaderText(std::u16string(100, u'\u00E9'), false, folded, "\n");
    EXPECT_NE(folded.find("?=\n =?"), std::string::npos) << folded;
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
    EXPECT_EQ(result.exitCode, 0) << result.output;
}

struct AddressCase {
    const char* name;
    std::u16string display;
    std::u16string primary;
    std::u16string type;
    std::u16string secondary;
    std::u16string fallback;
    std::string expected;
};

// The formatted address; it is appended to what the text holds.
std::string Format(const AddressCase& c) {
    std::string out = "To: ";
    FormatMailAddress(c.display, c.primary, c.type, c.secondary, c.fallback, out);
    EXPECT_EQ(out.substr(0, 4), "To: ");
    return out.substr(4);
}

const std::vector<AddressCase>& Cases() {
    static const std::vector<AddressCase> cases = {
        {"address_only", u"", u"john@x.com", u"SMTP", u"", u"", "\"john@x.com\" <john@x.com>"},
        {"exchange_with_fallback", u"John", u"/O=ORG/CN=JOHN", u"EX", u"", u"jo@x.org",
         "\"John\" <jo@x.org>"},
        // Only an Exchange address: a valid address of its own kind.
        {"fallback_not_an_address", u"John", u"/O=ORG/CN=JOHN", u"EX", u"", u"JOHN",
         "\"John\" </O=ORG/CN=JOHN@x-ex.invalid>"},
        {"exchange_dn_with_blanks", u"", u"/O=First Org/CN=\"J\"", u"EX", u"", u"",
         "\"/O=First Org/CN=\\\"J\\\"\" <\"/O=First Org/CN=\\\"J\\\"\"@x-ex.invalid>"},
        // No usable address: the name as an empty group, or nothing.
        {"name_only", u"John", u"", u"SMTP", u"", u"", "\"John\": ;"},
        {"non_ascii_dn", u"John", u"/O=\u00C4/CN=J", u"EX", u"", u"", "\"John\": ;"},
        {"nothing_at_all", u"", u"", u"", u"", u"", ""},
        {"non_ascii_name", u"J\u00F6rg", u"j@x.de", u"SMTP", u"", u"",
         "=?utf-8?B?SsO2cmc=?= <j@x.de>"},
        {"name_with_quotes_and_backslash", u"Smith, \"Bob\" \\ Co", u"b@x.com", u"SMTP", u"", u"",
         "\"Smith, \\\"Bob\\\" \\\\ Co\" <b@x.com>"},
    };
    return cases;
}

TEST(FormatMailAddress, ChoosesAndFormatsTheAddress) {
    for (const AddressCase& c : Cases()) {
        EXPECT_EQ(Format(c), c.expected) << c.name;
    }
}

TEST(FormatMailAddress, PythonParsesTheAddresses) {
    if (!python_oracle::Available()) {
        GTEST_SKIP() << "python3 not found";
    }
    std::vector<std::string> arguments;  // the formatted address, then its name
    for (const AddressCase& c : Cases()) {
        if (const std::string formatted = Format(c); formatted.find('<') != std::string::npos) {
            arguments.push_back(formatted);
            arguments.push_back(utf16_to_utf8(c.display.empty() ? c.primary : c.display));
        }
    }
    const char* script = R"PY(
import sys, email, email.policy
args = sys.argv[1:]
for formatted_path, name_path in zip(args[0::2], args[1::2]):
    formatted = open(formatted_path, 'rb').read().decode('ascii')
    name = open(name_path, 'rb').read().decode('utf-8')
    message = email.message_from_string('To: %s\r\n\r\n' % formatted, policy=email.policy.default)
    address = message['to'].addresses[0]
    assert address.display_name == name, (address.display_name, name, formatted)
    assert formatted.endswith('<%s>' % address.addr_spec), (address.addr_spec, formatted)
print('ok')
)PY";
    const auto result = python_oracle::Run(script, arguments);
    EXPECT_EQ(result.exitCode, 0) << result.output;
}

TEST(LooksLikeEmail, NeedsAFullStopAfterTheAtSign) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"a@b.c", true},
        {"a.b@c", false},
        {"@.", true},
        {std::string("a@b\0.c", 6), false},  // the text ends at its NUL
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(LooksLikeEmail(std::string_view(text)), expected) << text;
        EXPECT_EQ(LooksLikeEmail(std::u16string_view(utf8_to_utf16(text))), expected) << text;
    }
}

TEST(WriteBase64Lines, LinesOf76CharactersInBothForms) {
    // Whole lines, one byte more, and around the stream's 57000-byte blocks.
    for (const size_t size : {0u, 57u, 58u, 114u, 56999u, 57000u, 114057u}) {
        std::mt19937 random(static_cast<unsigned>(size));
        std::vector<uint8_t> data(size);
        for (auto& byte : data) {
            byte = static_cast<uint8_t>(random());
        }
        std::ostringstream buffer_form;
        WriteBase64Lines(data, buffer_form, "\r\n");
        std::istringstream in(std::string(data.begin(), data.end()));
        std::ostringstream stream_form;
        WriteBase64Lines(in, stream_form, "\r\n");
        // Only the stream form ends a last line of 57 bytes with the separator.
        const bool full_last = size > 0 && size % 57 == 0;
        EXPECT_EQ(stream_form.str(), buffer_form.str() + (full_last ? "\r\n" : "")) << size;

        std::istringstream lines(buffer_form.str());
        std::string line, joined;
        size_t count = 0;
        while (std::getline(lines, line)) {
            const bool last = lines.peek() == EOF;
            ASSERT_EQ(line.back() == '\r', !last) << size;
            if (!last) {
                line.pop_back();
                ASSERT_EQ(line.size(), 76u) << size;
            }
            joined += line;
            ++count;
        }
        EXPECT_EQ(joined, Base64EncodeString(data)) << size;
        EXPECT_EQ(count, (size + 56) / 57) << size;
    }
}

std::string Narrow(std::string_view text) {
    std::string out;
    EscapeTextValue(text, out);
    return out;
}

struct StreamResult {
    bool written;
    std::string text;
};

StreamResult Stream(std::string_view body, const TextEncodingItem& source) {
    std::istringstream in{std::string(body)};
    std::ostringstream out;
    const bool written = EscapeTextValue(in, source, out);
    return {written, out.str()};
}

const std::string kFold = "\r\n ";
const std::string kGrin = "\xF0\x9F\x98\x80";  // U+1F600, four bytes

TEST(EscapeTextValue, EscapesAndFoldsWithoutSplittingCharacters) {
    const std::string x(71, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"a,b;c\\d", "a\\,b\\;c\\\\d"},
        {"cr\ronly", "cr\\nonly"},
        {std::string("cut\0here", 8), "cut"},
        {std::string(76, 'x'), std::string(75, 'x') + kFold + "x"},
        // The backslash of an escape is not counted.
        {x + "xxx;y", x + "xxx\\;" + kFold + "y"},
        // A character that would end after byte 75 moves to the next line whole.
        {x + kGrin + "y", x + kGrin + kFold + "y"},
        {x + "x" + kGrin + "y", x + "x" + kFold + kGrin + "y"},
        {x + "xx\xC3\xA9y", x + "xx\xC3\xA9" + kFold + "y"},
        {x + "xxx\xC3\xA9y", x + "xxx" + kFold + "\xC3\xA9y"},
        // Bytes that are not UTF-8 still fold every 75 bytes.
        {"\xF0" + std::string(79, 'x'), "\xF0" + std::string(74, 'x') + kFold + "xxxxx"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(Narrow(input), expected) << input;
    }
}

TEST(EscapeTextValue, PropertyTextAndStreamVariantsConvertTheirInput) {
    std::string out;
    EXPECT_FALSE(EscapeTextValue(std::optional<std::u16string>(), 65001, true, out));
    EXPECT_TRUE(EscapeTextValue(std::optional<std::u16string>(u"caf\u00E9;x"), 1252, true, out));
    EXPECT_EQ(out, "caf\xE9\\;x");  // the property variant never folds
    out.clear();
    EscapeTextValue(std::u16string_view(u"\u041F\u0440\u0438,"), 1251, out);
    EXPECT_EQ(out, "\xCF\xF0\xE8\\,");
    out.clear();
    EscapeTextValue(std::u16string_view(u"text"), 1, out);  // unknown code page
    EXPECT_EQ(out, "");

    // Streams that are empty or short runs of NUL, CR and LF write nothing.
    const std::pair<std::string, bool> blanks[] = {
        {"", false},
        {std::string("\0\r\n\0\0\r\n\0", 8), false},
        {std::string(9, '\0'), true},
        {"\r\nx", true},
    };
    for (const auto& [body, written] : blanks) {
        const auto result = Stream(body, Utf8Row());
        EXPECT_EQ(result.written, written) << body.size();
        EXPECT_EQ(result.text.empty(), !written) << body.size();
    }
    // UTF-16 whose 512-byte blocks cut surrogate pairs folds as the whole text.
    std::u16string wide;
    for (int i = 0; i < 900; ++i) {
        wide += (i % 2) ? std::u16string(u"\U0001F600") : std::u16string(u"\u00E9;");
    }
    const std::string utf16le(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    EXPECT_EQ(Stream(utf16le, Utf16LeRow()).text, Narrow(utf16_to_utf8(wide)));
}

}  // namespace
}  // namespace mailwright::text
