#include "text/code_page_table.h"

#include <array>
#include <mutex>

#include "platform/system_log.h"
#include "text/icu_converter.h"

namespace mailwright::text {
namespace {

// Row order is fixed: lookups take the first matching number and the user
// interface lists available rows in this order. Some rows share a charset name
// (euc-jp, euc-kr, iso-2022-jp); 20127 is deliberately labelled "CP1252".
std::array<TextEncodingItem, kCodePageTableRows + 1> g_code_pages = {{
    {864, "IBM864", "Arabic (864)", false},
    {708, "ASMO-708", "Arabic (ASMO 708)", false},
    {720, "DOS-720", "Arabic (DOS)", false},
    {28596, "ISO-8859-6", "Arabic (ISO)", false},
    {1256, "WINDOWS-1256", "Arabic (Windows)", false},
    {775, "IBM775", "Baltic (DOS)", false},
    {28594, "ISO-8859-4", "Baltic (ISO)", false},
    {1257, "WINDOWS-1257", "Baltic (Windows)", false},
    {852, "IBM852", "Central European (DOS)", false},
    {28592, "iso-8859-2", "Central European (ISO)", false},
    {1250, "windows-1250", "Central European (Windows)", false},
    {950, "big5", "Chinese Traditional (Big5)", false},
    {51936, "EUC-CN", "Chinese Simplified (EUC)", false},
    {54936, "GB18030", "Chinese Simplified (GB18030)", false},
    {936, "gb2312", "Chinese Simplified (GB2312)", false},
    {52936, "hz-gb-2312", "Chinese Simplified (HZ)", false},
    {866, "CP866", "Cyrillic (DOS)", false},
    {28595, "iso-8859-5", "Cyrillic (ISO)", false},
    {20866, "koi8-r", "Cyrillic (KOI8-R)", false},
    {21866, "koi8-u", "Cyrillic (KOI8-U)", false},
    {1251, "windows-1251", "Cyrillic (Windows)", false},
    {28603, "iso-8859-13", "Estonian (ISO)", false},
    {863, "IBM863", "French Canadian (DOS)", false},
    {737, "IBM737", "Greek (DOS)", false},
    {869, "IBM869", "Greek, Modern (DOS)", false},
    {28597, "iso-8859-7", "Greek (ISO)", false},
    {1253, "windows-1253", "Greek (Windows)", false},
    {862, "DOS-862", "Hebrew (DOS)", false},
    {38598, "iso-8859-8-i", "Hebrew (ISO-Logical)", false},
    {28598, "iso-8859-8", "Hebrew (ISO-Visual)", false},
    {1255, "windows-1255", "Hebrew (Windows)", false},
    {37, "IBM037", "IBM EBCDIC (US-Canada)", false},
    {500, "IBM500", "IBM EBCDIC (International)", false},
    {875, "cp875", "IBM EBCDIC (Greek Modern)", false},
    {870, "IBM870", "IBM EBCDIC (Multilingual Latin-2)", false},
    {1026, "IBM1026", "IBM EBCDIC (Turkish Latin-5)", false},
    {1047, "IBM01047", "IBM Latin-1", false},
    {1140, "IBM01140", "IBM EBCDIC (US-Canada-Euro)", false},
    {1141, "IBM01141", "IBM EBCDIC (Germany-Euro)", false},
    {1142, "IBM01142", "IBM EBCDIC (Denmark-Norway-Euro)", false},
    {1143, "IBM01143", "IBM EBCDIC (Finland-Sweden-Euro)", false},
    {1144, "IBM01144", "IBM EBCDIC (Italy-Euro)", false},
    {1145, "IBM01145", "IBM EBCDIC (Spain-Euro)", false},
    {1146, "IBM01146", "IBM EBCDIC (UK-Euro)", false},
    {1147, "IBM01147", "IBM EBCDIC (France-Euro)", false},
    {1148, "IBM01148", "IBM EBCDIC (International-Euro)", false},
    {1149, "IBM01149", "IBM EBCDIC (Icelandic-Euro)", false},
    {20273, "IBM273", "IBM EBCDIC (Germany)", false},
    {20277, "IBM277", "IBM EBCDIC (Denmark-Norway)", false},
    {20278, "IBM278", "IBM EBCDIC (Finland-Sweden)", false},
    {20280, "IBM280", "IBM EBCDIC (Italy)", false},
    {20284, "IBM284", "IBM EBCDIC (Spain)", false},
    {20285, "IBM285", "IBM EBCDIC (UK)", false},
    {20290, "IBM290", "IBM EBCDIC (Japanese katakana)", false},
    {20297, "IBM297", "IBM EBCDIC (France)", false},
    {20420, "IBM420", "IBM EBCDIC (Arabic)", false},
    {21025, "cp1025", "IBM EBCDIC (Cyrillic Serbian-Bulgarian)", false},
    {20424, "IBM424", "IBM EBCDIC (Hebrew)", false},
    {20838, "IBM-Thai", "IBM EBCDIC (Thai)", false},
    {20871, "IBM871", "IBM EBCDIC (Icelandic)", false},
    {861, "IBM861", "Icelandic (DOS)", false},
    {57002, "x-iscii-de", "ISCII Devanagari", false},
    {57003, "x-iscii-be", "ISCII Bengali", false},
    {57004, "x-iscii-ta", "ISCII Tamil", false},
    {57005, "x-iscii-te", "ISCII Telugu", false},
    {57006, "x-iscii-as", "ISCII Assamese", false},
    {57007, "x-iscii-or", "ISCII Oriya", false},
    {57008, "x-iscii-ka", "ISCII Kannada", false},
    {57009, "x-iscii-ma", "ISCII Malayalam", false},
    {57010, "x-iscii-gu", "ISCII Gujarati", false},
    {57011, "x-iscii-pa", "ISCII Punjabi", false},
    {50932, "euc-jp", "Japanese (Auto Select)", false},
    {51932, "euc-jp", "Japanese (EUC)", false},
    {20932, "EUC-JP", "Japanese (JIS 0208-1990 and 0212-1990)", false},
    {50220, "iso-2022-jp", "Japanese (JIS)", false},
    {50221, "csISO2022JP", "Japanese (JIS-Allow 1 byte Kana)", false},
    {50222, "iso-2022-jp", "Japanese (JIS-Allow 1 byte Kana - SO/SI)", false},
    {932, "shift_jis", "Japanese (Shift-JIS)", false},
    {949, "ks_c_5601-1987", "Korean", false},
    {50949, "euc-kr", "Korean (Auto Select)", false},
    {51949, "euc-kr", "Korean (EUC)", false},
    {50225, "iso-2022-kr", "Korean (ISO)", false},
    {28593, "iso-8859-3", "Latin 3 (ISO)", false},
    {28605, "iso-8859-15", "Latin 9 (ISO)", false},
    {865, "IBM865", "Nordic (DOS)", false},
    {855, "IBM855", "OEM Cyrillic", false},
    {858, "IBM00858", "OEM Multilingual Latin-1", false},
    {437, "IBM437", "OEM United States", false},
    {860, "IBM860", "Portuguese (DOS)", false},
    {874, "windows-874", "Thai (Windows)", false},
    {1254, "windows-1254", "Turkish (Windows)", false},
    {857, "ibm857", "Turkish (DOS)", false},
    {28599, "iso-8859-9", "Turkish (ISO)", false},
    {1200, "utf-16LE", "Unicode", false},
    {1201, "utf-16BE", "Unicode (Big-Endian)", false},
    {12000, "utf-32", "Unicode (UTF-32)", false},
    {12001, "utf-32BE", "Unicode (UTF-32 Big-Endian)", false},
    {65000, "UTF-7", "Unicode (UTF-7)", false},
    {65001, "UTF-8", "Unicode (UTF-8)", false},
    {1258, "windows-1258", "Vietnamese (Windows)", false},
    {850, "ibm850", "Western European (DOS)", false},
    {1252, "windows-1252", "Western European (Windows)", false},
    {20127, "CP1252", "Windows-1252", false},
    {28591, "iso-8859-1", "Western European (ISO)", false},
    {1361, "Johab", "Korean (Johab)", false},
    {10000, "macintosh", "Western European (Mac)", false},
    {10001, "x-mac-japanese", "Japanese (Mac)", false},
    {10002, "x-mac-chinesetrad", "Chinese Traditional (Mac)", false},
    {10003, "x-mac-korean", "Korean (Mac)", false},
    {10004, "x-mac-arabic", "Arabic (Mac)", false},
    {10005, "x-mac-hebrew", "Hebrew (Mac)", false},
    {10006, "x-mac-greek", "Greek (Mac)", false},
    {10007, "x-mac-cyrillic", "Cyrillic (Mac)", false},
    {10008, "x-mac-chinesesimp", "Chinese Simplified (Mac)", false},
    {10010, "x-mac-romanian", "Romanian (Mac)", false},
    {10017, "x-mac-ukrainian", "Ukrainian (Mac)", false},
    {10021, "x-mac-thai", "Thai (Mac)", false},
    {10029, "x-mac-ce", "Central European (Mac)", false},
    {10079, "x-mac-icelandic", "Icelandic (Mac)", false},
    {10081, "x-mac-turkish", "Turkish (Mac)", false},
    {10082, "x-mac-croatian", "Croatian (Mac)", false},
    {20000, "x-Chinese-CNS", "Chinese Traditional (CNS)", false},
    {20001, "x-cp20001", "TCA Taiwan", false},
    {20002, "x-Chinese-Eten", "Chinese Traditional (Eten)", false},
    {20003, "x-cp20003", "IBM5550 Taiwan", false},
    {20004, "x-cp20004", "TeleText Taiwan", false},
    {20005, "x-cp20005", "Wang Taiwan", false},
    {20105, "x-IA5", "Western European (IA5)", false},
    {20106, "x-IA5-German", "German (IA5)", false},
    {20107, "x-IA5-Swedish", "Swedish (IA5)", false},
    {20108, "x-IA5-Norwegian", "Norwegian (IA5)", false},
    {20261, "x-cp20261", "T.61", false},
    {20269, "x-cp20269", "ISO-6937", false},
    {20833, "x-EBCDIC-KoreanExtended", "IBM EBCDIC (Korean Extended)", false},
    {20880, "IBM880", "IBM EBCDIC (Cyrillic Russian)", false},
    {20905, "IBM905", "IBM EBCDIC (Turkish)", false},
    {20924, "IBM924", "IBM Latin-1", false},
    {20936, "x-cp20936", "Chinese Simplified (GB2312-80)", false},
    {20949, "x-cp20949", "Korean Wansung", false},
    {29001, "x-Europa", "Europa", false},
    {50227, "x-cp50227", "Chinese Simplified (ISO-2022)", false},
    {20423, "IBM423", "IBM EBCDIC (Greek)", false},
    {50000, "x-user-defined", "User Defined (Windows)", false},
    {0, nullptr, nullptr, false},
}};

const TextEncodingItem* g_utf8_row = nullptr;
const TextEncodingItem* g_utf32_row = nullptr;
const TextEncodingItem* g_utf16le_row = nullptr;

const TextEncodingItem* find_row(std::uint32_t codePage) {
    for (const TextEncodingItem& row : g_code_pages) {
        if (row.codePage == 0) {
            break;
        }
        if (row.codePage == codePage) {
            return &row;
        }
    }
    return nullptr;
}

void probe_code_pages() {
    for (TextEncodingItem& row : g_code_pages) {
        if (row.codePage == 0) {
            break;
        }
        row.available = detail::open_converter(row).isValid();
    }
    g_utf8_row = find_row(65001);
    g_utf32_row = find_row(12000);
    g_utf16le_row = find_row(1200);
}

constexpr std::uint32_t kGbkCodePage = 936;

}  // namespace

const char* ConverterName(const TextEncodingItem& row) {
    return row.codePage == kGbkCodePage ? "windows-936" : row.charsetName;
}

void InitCodePageTable() {
    static std::once_flag once;
    std::call_once(once, probe_code_pages);
}

std::span<const TextEncodingItem> CodePageTable() {
    InitCodePageTable();
    return {g_code_pages.data(), kCodePageTableRows};
}

std::vector<const TextEncodingItem*> AvailableCodePages() {
    std::vector<const TextEncodingItem*> rows;
    for (const TextEncodingItem& row : CodePageTable()) {
        if (row.available) {
            rows.push_back(&row);
        }
    }
    return rows;
}

const TextEncodingItem* GetCodePageInfo(std::uint32_t codePage) {
    InitCodePageTable();
    if (codePage == 0) {
        return nullptr;
    }
    const TextEncodingItem* row = find_row(codePage);
    if (row == nullptr) {
        // PST code page properties are signed 32-bit values; log them as such.
        platform::log_format("MAILWRIGHT - UNKNOWN CHARSET %i", static_cast<int>(codePage));
    }
    return row;
}

std::optional<std::string> GetCodePageDisplayName(std::uint32_t codePage) {
    InitCodePageTable();
    const TextEncodingItem* row = codePage == 0 ? nullptr : find_row(codePage);
    if (row == nullptr) {
        return std::nullopt;
    }
    return std::string(row->displayName);
}

const TextEncodingItem& Utf8Row() {
    InitCodePageTable();
    return *g_utf8_row;
}

const TextEncodingItem& Utf32Row() {
    InitCodePageTable();
    return *g_utf32_row;
}

const TextEncodingItem& Utf16LeRow() {
    InitCodePageTable();
    return *g_utf16le_row;
}

}  // namespace mailwright::text
