// Which code pages a message's plain body is read in and written in.
#pragma once

#include <cstdint>

#include "text/code_page_table.h"

namespace mailwright::formats {

// UTF-16 and UTF-32 in either byte order (1200, 1201, 12000, 12001): code
// pages whose text cannot travel in an 8bit MIME part.
bool IsWideUnicodeCodePage(std::uint32_t codePage);

struct BodyRows {
    const text::TextEncodingItem* source = nullptr;  // the stored bytes' code page
    const text::TextEncodingItem* target = nullptr;  // the code page written and labelled
};

// The plain body's rows. `plain` and `html` are the rows of the message's
// plain and HTML code pages (null when it has none), `fallback` the row of
// the PST's default code page, `unicodeStore` whether the PST is a Unicode
// file and `unicodeBody` whether the body is stored as PT_UNICODE.
//
// The choice of the table below ("U" a Unicode store, P `plain`, H `html`,
// D `fallback`):
//
//   H available  P                      source          target
//   no           exists, available      UTF-16LE if U   P
//   no           exists, not available  else P          UTF-8 if U, else P
//   no           none                   ...else D       UTF-8 if U, else D
//   yes          exists, available      ...else P       H
//   yes          exists, not available  ...else P       UTF-8 if U, else P
//   yes          none                   ...else D       H
//
// with two corrections: a UTF-16 or UTF-32 target becomes UTF-8 (a mail
// reader shows no UTF-16 text in an 8bit part), and the source follows how
// the body is stored: UTF-16LE for a PT_UNICODE body, and for an 8-bit body
// P, else D (never a UTF-16 or UTF-32 row, which 8-bit text cannot be in).
BodyRows ChoosePlainBodyRows(const text::TextEncodingItem* plain,
                             const text::TextEncodingItem* html,
                             const text::TextEncodingItem& fallback, bool unicodeStore,
                             bool unicodeBody);

}  // namespace mailwright::formats
