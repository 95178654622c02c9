// Copying a body (or the rest of a signed message) from a stored value to
// the output: in blocks, converted from one code page to another when they
// differ, and through the MBOX body filter when one is given. Nothing is
// held whole in memory but a short body converted while it is checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "formats/body_filter.h"
#include "text/code_page_table.h"

namespace mailwright::formats {

// Block sizes: plain copies and conversions 1024 source bytes; through the
// MBOX body filter 57000 bytes unconverted and 5700 source bytes converted.
inline constexpr std::size_t kPlainCopyBlock = 1024;
inline constexpr std::size_t kFilteredCopyBlock = 57000;
inline constexpr std::size_t kFilteredConversionBlock = 5700;

// A plain body of at most this many stored bytes is converted once, when it
// is checked for losses, and kept for writing; a longer one is read twice.
inline constexpr std::uint64_t kConvertedBodyBytes = 1u << 20;

// Copies `in` to `out` to its end. The text is converted from `source` to
// `target` when both are given and differ (a character cut between two
// blocks is carried over, never broken); with a filter it goes through the
// filter. Conversion failures throw std::runtime_error.
void CopyBody(std::istream& in, std::ostream& out, const text::TextEncodingItem* source,
              const text::TextEncodingItem* target, BodyFilter* filter);

// Whether every character of `in`, read in `source`, has a form in
// `target`. Reads `in` to its end; with `converted`, the text in `target`
// is left there (whole only when the answer is true).
bool ConvertsWithoutLoss(std::istream& in, const text::TextEncodingItem& source,
                         const text::TextEncodingItem& target, std::string* converted = nullptr);

}  // namespace mailwright::formats
