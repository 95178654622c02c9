#include "text/quoted_printable.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "text/code_page_table.h"
#include "text/python_oracle.h"
#include "text/whole_value_conversion.h"

namespace mailwright::text {
namespace {

std::string StringForm(std::string_view text) {
    std::ostringstream out;
    WriteQuotedPrintable(text, out);
    return out.str();
}

std::string StreamForm(std::string_view text, const TextEncodingItem& source,
                       const TextEncodingItem& target) {
    std::istringstream in{std::string(text)};
    std::ostringstream out;
    WriteQuotedPrintable(in, source, target, out);
    return out.str();
}

std::string Utf8StreamForm(std::string_view text) {
    return StreamForm(text, Utf8Row(), Utf8Row());
}

std::string Repeat(std::string_view text, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

// What a reader gets back after undoing quoted-printable: the text with the
// vCard escapes in it.
std::string WithVCardEscapes(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == ',' || c == ';' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

TEST(QuotedPrintable, SoftBreaksOfBothForms) {
    const std::string x74(74, 'x');
    struct Case {
        std::string input;
        std::string string_form;
        std::string stream_form;
    };
    const Case cases[] = {
        {std::string(80, 'x'), std::string(75, 'x') + "=\r\n" + std::string(5, 'x'),
         std::string(75, 'x') + "=\r\n" + std::string(5, 'x')},
        // The string form breaks after an escape once 72 columns are used.
        {std::string(25, '\x01'), Repeat("=01", 24) + "=\r\n=01", Repeat("=01", 25)},
        {x74 + "\x01" + "y", x74 + "=01=\r\ny", x74 + "=01=\r\ny"},
        // The inserted backslash counts as a column.
        {x74 + ";y", x74 + "\\;=\r\ny", x74 + "\\;=\r\ny"},
        {"", "", "=0D=0A"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StringForm(c.input), c.string_form) << c.input;
        EXPECT_EQ(Utf8StreamForm(c.input), c.stream_form) << c.input;
    }
}

TEST(QuotedPrintable, PythonDecodesBothForms) {
    if (!python_oracle::Available()) {
        GTEST_SKIP() << "python3 not found";
    }
    std::mt19937 random(11);
    std::string bytes(5000, '\0');
    for (auto& byte : bytes) {
        byte = static_cast<char>(random());
    }
    const std::string text = "Dear Sir, please; call\\me.\r\nThanks\t= " + Repeat("long line ", 40);
    python_oracle::TempFile bytes_expected(WithVCardEscapes(bytes));
    python_oracle::TempFile bytes_encoded(StringForm(bytes));
    python_oracle::TempFile text_expected(WithVCardEscapes(text));
    python_oracle::TempFile text_encoded(StringForm(text));
    python_oracle::TempFile text_stream(Utf8StreamForm(text));
    const char* script = R"PY(
import quopri, sys
args = sys.argv[1:]
for expected, *encoded in [(args[0], args[1]), (args[2], args[3], args[4])]:
    want = open(expected, 'rb').read()
    for path in encoded:
        got = quopri.decodestring(open(path, 'rb').read())
        assert got == want, (path, got[:80], want[:80])
print('ok')
)PY";
    const auto result =
        python_oracle::Run(script, {bytes_expected.path(), bytes_encoded.path(),
                                    text_expected.path(), text_encoded.path(), text_stream.path()});
    EXPECT_EQ(result.exit_code, 0) << result.output;
}

}  // namespace
}  // namespace mailwright::text
