// RTF made into HTML: bodies of paragraphs and characters, encapsulated HTML
// taken out with its charset declared as UTF-8, hostile structure bounded,
// and the real bodies of the sample files. Well-formedness is checked by
// Python's html.parser (every element closed in order, valid UTF-8, a UTF-8
// meta charset) and, for documents the converter builds itself, by a strict
// XML parser as well.
#include "text/rtf_to_html.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/python_oracle.h"
#include "text/rtf_decompress.h"
#include "text/rtf_html_document.h"
#include "text/rtf_picture_extract.h"
#include "text/rtf_samples.h"

namespace mailwright::text {
namespace {

using rtf_test::Bytes;

constexpr const char* kHtmlCheckScript = R"PY(
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
void ExpectWellFormedHtml(const std::vector<std::string>& documents, bool strict) {
    if (!python_oracle::Available()) {
        GTEST_SKIP() << "python3 not found; well-formedness not checked";
    }
    const auto result = python_oracle::Run(
        std::string(strict ? "strict = True" : "strict = False") + kHtmlCheckScript, documents,
        ".html");
    EXPECT_EQ(result.exitCode, 0) << result.output;
}

std::string Html(std::string_view rtf) {
    const auto html = RtfToHtml(Bytes(rtf));
    return html ? *html : "(failed)";
}

// The part of a document the converter built between <body> and </body>.
std::string BodyOf(const std::string& html) {
    const std::string open = "<body>\r\n";
    const size_t begin = html.find(open);
    const size_t end = html.rfind("</body>");
    if (begin == std::string::npos || end == std::string::npos || end < begin) {
        return "(no body in " + html + ")";
    }
    return html.substr(begin + open.size(), end - begin - open.size());
}

struct Case {
    const char* name;
    std::string rtf;
    std::string body;
};

void ExpectBodies(const std::vector<Case>& cases) {
    std::vector<std::string> documents;
    for (const Case& c : cases) {
        const std::string html = Html(c.rtf);
        EXPECT_EQ(BodyOf(html), c.body) << c.name;
        documents.push_back(html);
    }
    ExpectWellFormedHtml(documents, /*strict=*/true);
}

const std::string kTab = "<span style=\"white-space:pre\">&#9;</span>";

TEST(RtfToHtml, TextFormattingCharactersCodePagesAndDestinations) {
    const std::string privet = "\u041F\u0440\u0438\u0432\u0435\u0442";
    const std::string konnichiwa = "\u3053\u3093\u306B\u3061\u306F";
    const auto p = [](const std::string& text) { return "<p>" + text + "</p>\r\n"; };
    ExpectBodies({
        {"one_paragraph", "{\\rtf1\\ansi Hello world\\par}", p("Hello world")},
        {"empty_paragraph_keeps_its_line", "{\\rtf1 one\\par\\par two}",
         "<p>one</p>\r\n<p><br /></p>\r\n<p>two</p>\r\n"},
        {"line_break", "{\\rtf1 one\\line two}", p("one<br />\r\ntwo")},
        {"tab_word_and_raw_tab", "{\\rtf1 a\\tab b\tc}", p("a" + kTab + "b" + kTab + "c")},
        {"raw_line_breaks_are_not_text", "{\\rtf1 a\r\nb\nc}", p("abc")},
        {"section_page_and_row_end_paragraphs", "{\\rtf1 a\\sect b\\page c\\row d}",
         "<p>a</p>\r\n<p>b</p>\r\n<p>c</p>\r\n<p>d</p>\r\n"},
        {"bold_italic_underline", "{\\rtf1 a\\b b\\i c\\b0 d\\i0\\ul e\\ulnone f}",
         p("a<b>b<i>c</i></b><i>d</i><u>e</u>f")},
        {"formatting_closed_at_paragraph_end", "{\\rtf1\\b a\\par b}",
         "<p><b>a</b></p>\r\n<p><b>b</b></p>\r\n"},
        {"html_characters_escaped", "{\\rtf1 a < b & c > d}", p("a &lt; b &amp; c &gt; d")},
        {"controls_and_noncharacters_dropped", "{\\rtf1\\uc0 a\\'7f\\u-1\\u-2\\'09b}",
         p("a" + kTab + "b")},
        {"rtf_escapes", "{\\rtf1 \\{x\\} \\\\}", p("{x} \\")},
        {"leading_space_kept", "{\\rtf1 \\par  a}", "<p><br /></p>\r\n<p>&#160;a</p>\r\n"},
        {"named_characters",
         "{\\rtf1 \\lquote a\\rquote \\ldblquote b\\rdblquote \\emdash\\endash\\bullet\\~x}",
         p("\u2018a\u2019\u201Cb\u201D\u2014\u2013\u2022\u00A0x")},
        {"control_characters_dropped", "{\\rtf1 a\\'01\\'1fb\\u0?c}", p("abc")},
        {"fallback_as_hex_escapes", "{\\rtf1\\uc2\\u1055\\'cf\\'cf x}", p("\u041F x")},
        {"negative_surrogate_pair", "{\\rtf1\\uc1 \\u-10179?\\u-8704?}", p("\U0001F600")},
        {"uc_is_group_scoped", "{\\rtf1\\uc1{\\uc2\\u1055 ab}\\u1056 cd}", p("\u041F\u0420d")},
        {"lone_surrogate_replaced", "{\\rtf1\\uc0\\u-10179 x}", p("\uFFFDx")},
        {"font_charset_204_in_a_1252_document",
         "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
         "{\\f1\\fswiss\\fcharset204 Arial Cyr;}}\\f0 caf\\'e9 \\f1\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}",
         p("caf\u00E9 " + privet)},
        {"ansicpg_932_double_byte",
         "{\\rtf1\\ansi\\ansicpg932 \\'82\\'b1\\'82\\'f1\\'82\\'c9\\'82\\'bf\\'82\\'cd}",
         p(konnichiwa)},
        {"cpg_overrides_charset", "{\\rtf1{\\fonttbl{\\f0\\fcharset0\\cpg1251 X;}}\\f0\\'cf}",
         p("\u041F")},
        {"unknown_code_page_reads_as_1252", "{\\rtf1\\ansicpg4242 caf\\'e9}", p("caf\u00E9")},
        {"header_tables",
         "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
         "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}Body}",
         p("Body")},
        {"picture_with_binary_data", "{\\rtf1 a{\\pict\\pngblip\\bin4 {}\\}}b}", p("ab")},
        {"field_result_kept",
         "{\\rtf1 see {\\field{\\*\\fldinst{HYPERLINK \"http://x\"}}{\\fldrslt{\\ul site}}}.}",
         p("see <u>site</u>.")},
    });
}

std::string EncapsulatedDocument(const std::string& head_meta, const std::string& body) {
    return "{\\rtf1\\ansi\\ansicpg1251\\fromhtml1 \\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
           "{\\*\\htmltag19 <html>}{\\*\\htmltag34 <head>}" +
           head_meta + "{\\*\\htmltag41 </head>}{\\*\\htmltag2 \\par }{\\*\\htmltag50 <body>}" +
           "\\htmlrtf \\viewkind5 \\htmlrtf0 " + body +
           "{\\*\\htmltag58 </body>}{\\*\\htmltag27 </html>}{\\*\\htmltag3 \\par }}";
}

TEST(RtfToHtml, EncapsulatedHtmlIsTakenOut) {
    const std::string meta1251 =
        "{\\*\\htmltag241 <meta http-equiv=\"Content-Type\" content=\"text/html; "
        "charset=windows-1251\">}";
    const std::string body =
        "{\\*\\htmltag64 <p class=x>}\\htmlrtf {\\htmlrtf0 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 "
        "{\\*\\htmltag84 &amp;}\\htmlrtf &\\htmlrtf0  a{\\*\\htmltag84 &lt;}\\htmlrtf <\\htmlrtf0 b"
        "{\\*\\htmltag84 &nbsp;}\\htmlrtf \\'a0\\htmlrtf0 \\u8364?"
        "{\\*\\htmltag72 </p>}\\htmlrtf\\par}\\htmlrtf0 "
        "{\\*\\mhtmltag84 <img src=\"cid:image001\">}{\\*\\htmltag84 <img src=\"image001.png\">}"
        "\\htmlrtf {\\pict\\pngblip 89504e47}\\htmlrtf0 ";
    const std::string expected_body =
        "<p class=x>\u041F\u0440\u0438\u0432\u0435\u0442 &amp; a&lt;b&nbsp;\u20AC</p>"
        "<img src=\"image001.png\">";

    const std::string with_meta = Html(EncapsulatedDocument(meta1251, body));
    EXPECT_EQ(with_meta,
              "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
              "charset=utf-8\"></head>\r\n<body>" +
                  expected_body + "</body></html>\r\n");

    const std::string without_meta = Html(EncapsulatedDocument("", body));
    EXPECT_EQ(without_meta, "<html><head>\r\n" +
                                std::string("<meta http-equiv=\"Content-Type\" "
                                            "content=\"text/html; charset=utf-8\" />") +
                                "</head>\r\n<body>" + expected_body + "</body></html>\r\n");

    // Text outside the tags is text: what would read as markup is escaped.
    const std::string fragment = Html(
        "{\\rtf1\\ansi\\fromhtml1 {\\*\\htmltag64 <div>}5 > 4 & x <b>{\\*\\htmltag72 </div>}}");
    EXPECT_EQ(BodyOf(fragment), "<div>5 &gt; 4 &amp; x &lt;b&gt;</div>");

    ExpectWellFormedHtml({with_meta, without_meta, fragment}, /*strict=*/false);
}

// Stored HTML keeps its markup; only the charset it declares becomes UTF-8.
TEST(EnsureUtf8HtmlDocument, DeclaresUtf8AndWrapsFragments) {
    const std::string meta(kUtf8MetaElement);
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
         "<html><head lang=en>\r\n" + meta + "<title>t</title></head></html>"},
        {"<html><header>x</header></html>",
         "<html>\r\n<head>\r\n" + meta + "\r\n</head><header>x</header></html>"},
        {"<html><meta name=generator content=x><body>y</body></html>",
         "<html>\r\n<head>\r\n" + meta +
             "\r\n</head><meta name=generator content=x><body>y</body></html>"},
        {"<div>x</div>", "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n" + meta +
                             "\r\n</head>\r\n<body>\r\n<div>x</div></body>\r\n</html>\r\n"},
        {"<htmlx>", WrapHtmlBody("<htmlx>")},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(EnsureUtf8HtmlDocument(input), expected) << input;
    }
}

TEST(RtfToHtml, RejectsWhatIsNotRtf) {
    for (const char* text : {"", "hello", "{\\rtx1}", "{rtf1}", "\\rtf1"}) {
        EXPECT_FALSE(RtfToHtml(Bytes(text)).has_value()) << text;
    }
    EXPECT_TRUE(RtfToHtml(Bytes("\r\n {\\rtf1 x}")).has_value());
}

TEST(RtfToHtml, HostileStructureIsBounded) {
    // Nesting far beyond the limit: the deep text is dropped, the rest kept.
    const size_t deep = 100000;
    const std::string nested =
        "{\\rtf1 a" + std::string(deep, '{') + "b" + std::string(deep, '}') + " c}";
    EXPECT_EQ(BodyOf(Html(nested)), "<p>a c</p>\r\n");

    // Text in the deepest group that is still followed is kept.
    const size_t limit = kMaxRtfToHtmlGroupDepth;
    const std::string at_limit =
        "{\\rtf1 " + std::string(limit - 1, '{') + "x" + std::string(limit - 1, '}') + "}";
    EXPECT_EQ(BodyOf(Html(at_limit)), "<p>x</p>\r\n");
    const std::string past_limit =
        "{\\rtf1 " + std::string(limit, '{') + "x" + std::string(limit, '}') + "}";
    EXPECT_EQ(BodyOf(Html(past_limit)), "");

    // Truncated input, a \bin count past the end, huge parameters.
    EXPECT_EQ(BodyOf(Html("{\\rtf1 {\\b a")), "<p><b>a</b></p>\r\n");
    EXPECT_EQ(BodyOf(Html("{\\rtf1 a\\bin999999999 xyz")), "<p>a</p>\r\n");
    EXPECT_EQ(BodyOf(Html("{\\rtf1\\uc99999999999\\u99999999999 x}")), "<p>\uFFFD</p>\r\n");
    EXPECT_EQ(BodyOf(Html("{\\rtf1 a\\'zz\\'4")), "<p>azz4</p>\r\n");
}

TEST(RtfToHtml, RealBodiesFromTheSampleFiles) {
    const auto blobs = rtf_test::CorpusRtfBlobs();
    if (blobs.empty()) {
        GTEST_SKIP() << "sample PST files not found in " << MW_CORPUS_DIR;
    }
    std::vector<std::string> documents;
    size_t encapsulated = 0;
    for (const auto& sample : blobs) {
        SCOPED_TRACE(sample.file + " @" + std::to_string(sample.offset));
        const auto decompressed = DecompressRtf(sample.blob);
        ASSERT_EQ(decompressed.rtf.size(), pstbuild::get_u32(sample.blob, 4));
        std::vector<RtfPicture> pictures;
        const auto marked = ExtractRtfPictures(decompressed.rtf, decompressed.pictures, pictures);
        const auto html = RtfToHtml(marked);
        ASSERT_TRUE(html.has_value());
        if (rtf_test::AsText(decompressed.rtf).find("\\fromhtml1") != std::string_view::npos) {
            ++encapsulated;
        } else {
            documents.push_back(*html);  // ours from end to end
        }
    }
    EXPECT_GE(blobs.size(), 100u);
    EXPECT_GT(encapsulated, 0u);
    ExpectWellFormedHtml(documents, /*strict=*/true);
}

}  // namespace
}  // namespace mailwright::text
