#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "text/code_page_table.h"

namespace mailwright::text {

// vCard and iCalendar text values: every line break (CR LF, a lone LF or a
// lone CR) is written as "\n", and ",", ";" and "\" get a backslash in
// front. Folding writes "\r\n " (a continuation line) so that no line holds
// more than 75 source bytes; the backslash of an escape is not counted, and a
// fold never falls inside a UTF-8 character (it comes before the lead byte).

// Longest run of source bytes between folds.
inline constexpr size_t kTextValueFoldBytes = 75;

// Escapes and folds text that is already in its output code page. Keeps the
// fold count across calls, so a value written in pieces folds as one.
class TextValueEscaper {
public:
    // `column`: bytes already on the line before the value (its property
    // name and parameters), counted against the first run.
    explicit TextValueEscaper(bool escape = true, bool fold = true, size_t column = 0)
        : escape_(escape), fold_(fold), line_bytes_(column) {}

    void Append(std::string_view bytes, std::string& out);
    // Counts and folds like Append but writes the bytes unescaped: the
    // structure of a value (the ";" between fields, the "," between items).
    void AppendVerbatim(std::string_view bytes, std::string& out);
    // Bytes on the current line so far (escapes not counted).
    size_t column() const { return line_bytes_; }

private:
    void Write(std::string_view bytes, bool escape, std::string& out);
    void FoldBefore(unsigned char byte, std::string& out);

    bool escape_;
    bool fold_;
    size_t line_bytes_ = 0;         // source bytes since the start or the last fold
    size_t continuation_left_ = 0;  // bytes still expected of the current UTF-8 character
    bool after_cr_ = false;         // the last byte was a CR (its LF adds nothing)
};

// Property variant: the value of a string property of an item, or nothing when
// the item does not have it. The value is converted to `code_page` as a whole
// and escaped when `escape` is set; it is not folded. Returns whether the item
// had the property.
bool EscapeTextValue(const std::optional<std::u16string>& property, uint32_t code_page, bool escape,
                     std::string& out);

// Text variant: UTF-16 text converted to `code_page`, escaped and folded.
// Nothing is written when the conversion yields nothing (an unknown or
// unusable code page is logged by the conversion).
void EscapeTextValue(std::u16string_view text, uint32_t code_page, std::string& out);

// Narrow variant: text already in its output code page (up to its first NUL),
// escaped and folded.
void EscapeTextValue(std::string_view text, std::string& out);

// Stream variant: a body stream in the `source` row's code page, read in
// blocks of 512 bytes, converted to UTF-8 (a character cut between two blocks
// is carried over), escaped and folded as one value. When the stream is empty,
// or its first block is shorter than 9 bytes and holds only NUL, CR and LF
// bytes, nothing is written and false is returned. Conversion failures throw
// std::runtime_error with the output so far left in `out`.
// `column` counts the bytes already on the line against the first run.
bool EscapeTextValue(std::istream& body, const TextEncodingItem& source, std::ostream& out,
                     size_t column = 0);

}  // namespace mailwright::text
