#include "text/quoted_printable.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "text/code_page_table.h"

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

}  // namespace
}  // namespace mailwright::text
