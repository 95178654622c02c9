#include "text/mail_address.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/python_oracle.h"
#include "text/whole_value_conversion.h"

namespace mailwright::text {
namespace {

struct AddressCase {
    const char* name;
    std::u16string display;
    std::u16string primary;
    std::u16string type;
    std::u16string secondary;
    std::u16string fallback;
    std::string expected;
};

std::string Format(const AddressCase& c) {
    std::string out;
    FormatMailAddress(c.display, c.primary, c.type, c.secondary, c.fallback, out);
    return out;
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
    std::string out = "To: ";
    FormatMailAddress(u"A", u"a@x.com", u"SMTP", u"", u"", out);
    EXPECT_EQ(out, "To: \"A\" <a@x.com>");  // appends
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
    EXPECT_EQ(result.exit_code, 0) << result.output;
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

}  // namespace
}  // namespace mailwright::text
