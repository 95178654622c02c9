#pragma once

#include <istream>
#include <ostream>
#include <string_view>

#include "text/code_page_table.h"

namespace mailwright::text {

// Quoted-printable for vCard values (contact notes). TAB, blank and the
// printable bytes other than "=" are written as they are, with a backslash in
// front of ",", ";" and "\" (the vCard escapes travel inside the encoding);
// every other byte, line breaks included, becomes "=" and two upper-case hex
// digits. Soft line breaks are "=\r\n".
//
// String form: a soft break comes before a literal byte once 75 columns are
// used, and after an escaped byte once 72 are.
void WriteQuotedPrintable(std::string_view text, std::ostream& out);

// Stream form: the stream is read in blocks of 512 bytes and converted from
// `source` to `target` (a character cut between two blocks is carried over,
// never broken); a soft break comes before any byte once 75 columns are used.
// An empty stream writes "=0D=0A". Conversion failures throw
// std::runtime_error with the output so far left in `out`.
void WriteQuotedPrintable(std::istream& in, const TextEncodingItem& source,
                          const TextEncodingItem& target, std::ostream& out);

}  // namespace mailwright::text
