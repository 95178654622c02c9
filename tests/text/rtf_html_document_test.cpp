#include "text/rtf_html_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mailwright::text {
namespace {

const std::string kMeta(kUtf8MetaElement);

TEST(EnsureUtf8HtmlDocument, DeclaresUtf8) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<html><head><meta charset=\"iso-8859-1\"></head></html>",
         "<html><head><meta charset=\"utf-8\"></head></html>"},
        {"<HTML><HEAD><META HTTP-EQUIV=Content-Type CONTENT=\"text/html; CHARSET=windows-1252\">",
         "<HTML><HEAD><META HTTP-EQUIV=Content-Type CONTENT=\"text/html; CHARSET=utf-8\">"},
        {"<html><meta charset = 'koi8-r' /><p>x</p></html>",
         "<html><meta charset='utf-8' /><p>x</p></html>"},
        {"<html><meta charset= big5 lang=x>", "<html><meta charset=utf-8 lang=x>"},
        // No charset anywhere: a meta element goes first into the head.
        {"<html><head lang=en><title>t</title></head></html>",
         "<html><head lang=en>\r\n" + kMeta + "<title>t</title></head></html>"},
        {"<html><header>x</header></html>",
         "<html>\r\n<head>\r\n" + kMeta + "\r\n</head><header>x</header></html>"},
        {"<html><meta name=generator content=x><body>y</body></html>",
         "<html>\r\n<head>\r\n" + kMeta +
             "\r\n</head><meta name=generator content=x><body>y</body></html>"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(EnsureUtf8HtmlDocument(input), expected) << input;
    }
}

TEST(EnsureUtf8HtmlDocument, WrapsFragments) {
    EXPECT_EQ(EnsureUtf8HtmlDocument("<div>x</div>"),
              "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n" + kMeta +
                  "\r\n</head>\r\n<body>\r\n<div>x</div></body>\r\n</html>\r\n");
    EXPECT_EQ(EnsureUtf8HtmlDocument("<htmlx>"), WrapHtmlBody("<htmlx>"));
}

TEST(AppendEscapedHtmlText, EscapesMarkupAndDropsControls) {
    std::string out;
    AppendEscapedHtmlText("a<b>&c\t\x01\x7f\r\n\xEF\xBF\xBF\xEF\xBF\xBE\xEF\xBF\xBD", out);
    EXPECT_EQ(out, "a&lt;b&gt;&amp;c\t\r\n\xEF\xBF\xBD");
}

}  // namespace
}  // namespace mailwright::text
