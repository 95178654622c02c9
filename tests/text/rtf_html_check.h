// Well-formedness of HTML made from RTF, checked by Python's html.parser (every
// element closed in order, valid UTF-8, a UTF-8 meta charset) and, for
// documents the converter builds itself, by a strict XML parser as well.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/python_oracle.h"

namespace rtf_test {

inline constexpr const char* kHtmlCheckScript = R"PY(
import re, sys, html.parser, xml.etree.ElementTree as ET
VOID = {'area','base','br','col','embed','hr','img','input','link','meta','param','source','track','wbr'}
class Checker(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.errors = [], []
    def handle_starttag(self, tag, attrs):
        if tag not in VOID:
            self.stack.append(tag)
    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.stack or self.stack[-1] != tag:
            self.errors.append('unexpected </%s> with %s open' % (tag, self.stack))
        else:
            self.stack.pop()
failed = False
for path in sys.argv[1:]:
    try:
        text = open(path, 'rb').read().decode('utf-8')
        checker = Checker()
        checker.feed(text)
        checker.close()
        if checker.errors or checker.stack:
            raise ValueError('%s; unclosed %s' % (checker.errors, checker.stack))
        if not re.search(r'<meta[^>]*charset=utf-8', text, re.I):
            raise ValueError('no UTF-8 meta charset')
        if strict:
            ET.fromstring(text)
    except Exception as error:
        failed = True
        print('%s: %s' % (path, error))
sys.exit(1 if failed else 0)
)PY";

// Checks every document; `strict` adds the XML parse.
inline void ExpectWellFormedHtml(const std::vector<std::string>& documents, bool strict) {
    if (!python_oracle::Available()) {
        GTEST_SKIP() << "python3 not found; well-formedness not checked";
    }
    const auto result = python_oracle::Run(
        std::string(strict ? "strict = True" : "strict = False") + kHtmlCheckScript, documents,
        ".html");
    EXPECT_EQ(result.exit_code, 0) << result.output;
}

}  // namespace rtf_test
