#pragma once

#include <string>
#include <string_view>

namespace mailwright::text {

// The longest encoded-word RFC 2047 allows.
inline constexpr size_t kMaxEncodedWordLength = 75;

// Appends header text for `text` to `out` and returns true when it was written
// as plain text. The text ends at its first NUL, and each run of CR and LF
// becomes one blank (a header cannot hold line breaks).
//
// Plain ASCII text is appended as it is; with `quote` set it is written as an
// RFC 5322 quoted-string, a double quote or backslash inside getting a
// backslash. Any other text is written as RFC 2047 "=?utf-8?B?...?=" words of
// at most 75 characters, each holding whole UTF-8 characters, separated by
// `line_end` and a blank (a folded continuation line); `quote` has no effect
// on this form.
bool EncodeHeaderText(std::u16string_view text, bool quote, std::string& out,
                      std::string_view line_end = "\r\n");

}  // namespace mailwright::text
