#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace mailwright::text {

// Groups nested deeper than this are read as if they were skipped
// destinations, so hostile nesting costs neither stack nor unbounded memory.
inline constexpr size_t kMaxRtfToHtmlGroupDepth = 512;

// Turns an RTF body into a UTF-8 HTML document with a UTF-8 meta element.
//
// An RTF body that encapsulates HTML (\fromhtml1, [MS-OXRTFEX]) gives back
// that HTML: the contents of the {\*\htmltag} groups and the text outside them,
// without the parts marked \htmlrtf. Any other RTF is rendered as paragraphs
// with bold, italic and underline; font tables, colour tables, style sheets,
// document information, pictures and optional (\*) destinations are skipped.
// 8-bit text is read in the code page of its font's character set or of
// \ansicpg; \uN characters and their \ucN fallbacks are handled.
//
// Returns nothing when the bytes do not begin with an RTF group ("{\rtf").
std::optional<std::string> RtfToHtml(std::span<const uint8_t> rtf);

}  // namespace mailwright::text
