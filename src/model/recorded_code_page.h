// Which code page decodes a file's 8-bit text, and why: the user gave it
// (`--codepage`, the desktop app's text encoding menu), the file records it
// (PidTagMessageCodepage of the store or of its first messages), or nothing
// else applies and the user default does. Unicode files keep their text in
// UTF-16; for them the choice only touches the rare 8-bit property.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "pstread/ltp/const_property_object.h"
#include "pstread/pst/pst.h"
#include "text/code_page_table.h"

namespace mailwright::model {

enum class CodePageSource {
    given,     // by the user
    recorded,  // in the file
    fallback,  // the user default, or the built-in one
};

struct CodePageChoice {
    std::int32_t codePage = 0;  // the number chosen (0 or unknown for some defaults)
    CodePageSource source = CodePageSource::fallback;
};

// "given", "recorded" or "default": the word scripts read.
const char* CodePageSourceWord(CodePageSource source);
// Why the code page was taken, as the report and listings say it: "given
// with --codepage or the text encoding menu", "recorded in the file", "the
// default".
const char* CodePageSourceReason(CodePageSource source);

// "code page 1251 (Cyrillic (Windows)), recorded in the file": the row
// that decodes and why it was taken.
std::string CodePageDescription(const text::TextEncodingItem& row, CodePageSource source);

// How many messages of the IPM subtree, and how many of its folders, are
// looked at for the code page they record when the store records none.
inline constexpr std::size_t kCodePageProbeMessages = 8;
inline constexpr std::size_t kCodePageProbeFolders = 32;

// The code page an item records in PidTagMessageCodepage (0x3FFD), when it
// is a row of the code page table with a converter that 8-bit text can be
// in (not UTF-16 or UTF-32); nothing otherwise, and nothing is logged.
std::optional<std::int32_t> RecordedCodePage(const pstread::const_property_object& item);

// The code page the file records: the store's own, else the one most of the
// first kCodePageProbeMessages messages of the IPM subtree record (the
// earlier one on a tie). Nothing when none of them records a usable one, or
// when the file cannot be read that far; never throws.
std::optional<std::int32_t> FileRecordedCodePage(pstread::pst& file);

}  // namespace mailwright::model
