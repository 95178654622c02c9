// The one table of Windows code pages the program knows, and its lookups.
//
// Property objects, the session model and every writer refer to rows of this
// table. Rows are static and live for the whole process; pointers to them stay
// valid forever.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mailwright::text {

// One row of the code page table.
struct TextEncodingItem {
    std::uint32_t codePage;   // Windows code page number; 0 ends the table
    const char* charsetName;  // name given to the converter and written into charset= labels
    const char* displayName;  // name shown in the user interface (ASCII)
    bool available;           // a converter for charsetName opens (set by InitCodePageTable)
};

// Number of rows, not counting the terminating row.
inline constexpr std::size_t kCodePageTableRows = 143;

// Probes, for every row in order, whether a converter for its charset name
// opens, and remembers the UTF-8, UTF-32 and UTF-16LE rows. Safe to call more
// than once and from several threads: the probe runs exactly once. Every other
// function here calls it first, so no caller depends on start-up order.
void InitCodePageTable();

// The 143 rows in their fixed order. The array behind the span ends with a
// terminating row whose codePage is 0.
std::span<const TextEncodingItem> CodePageTable();

// The available rows in table order: the list the user interface shows, where
// a code page's popup index is its position in this list.
std::vector<const TextEncodingItem*> AvailableCodePages();

// The first row whose codePage equals the argument. 0 returns nullptr
// silently; an unknown number logs "MAILWRIGHT - UNKNOWN CHARSET %i" and
// returns nullptr. Never throws.
const TextEncodingItem* GetCodePageInfo(std::uint32_t codePage);

// The display name of the first row with this number, or nothing.
std::optional<std::string> GetCodePageDisplayName(std::uint32_t codePage);

// The name the row's converter is opened by. This is charsetName except for
// code page 936: Windows code page 936 is GBK, while ICU opens the label
// "gb2312" as the much smaller GB2312 set and would turn every GBK-only
// character (all traditional forms, many names) into a substitution byte. Its
// converter is GBK; its label in charset= parameters stays "gb2312", which
// mail readers decode as GBK.
const char* ConverterName(const TextEncodingItem& row);

// The rows remembered by InitCodePageTable.
const TextEncodingItem& Utf8Row();     // 65001
const TextEncodingItem& Utf32Row();    // 12000
const TextEncodingItem& Utf16LeRow();  // 1200

}  // namespace mailwright::text
