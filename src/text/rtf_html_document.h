#pragma once

#include <string>
#include <string_view>

namespace mailwright::text {

// The document around the HTML made from an RTF body: the text is UTF-8, and
// the document says so in a meta element.
inline constexpr std::string_view kUtf8MetaElement =
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />";

// Wraps body content in a complete document with the UTF-8 meta element.
std::string WrapHtmlBody(std::string_view body, std::string_view head_extra = {});

// Makes HTML taken out of an RTF body (whose text is now UTF-8) declare
// UTF-8: every charset named in a meta element becomes "utf-8", a meta element
// is added to the head when there is none, and a fragment without an html
// element is wrapped in a complete document.
std::string EnsureUtf8HtmlDocument(std::string_view html);

// Appends text with &, < and > escaped; C0 control characters other than TAB,
// and the non-characters U+FFFE and U+FFFF, are dropped.
void AppendEscapedHtmlText(std::string_view utf8, std::string& out);

}  // namespace mailwright::text
