#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/system_log.h"
#include "text/code_page_table.h"

namespace mailwright::text {
namespace {

using platform::ScopedLogCapture;

TEST(CodePageTable, Has143RowsAndATerminatingRow) {
    const auto table = CodePageTable();
    ASSERT_EQ(table.size(), 143u);
    EXPECT_EQ(table.data()[table.size()].codePage, 0u);
    for (const TextEncodingItem& row : table) {
        EXPECT_NE(row.codePage, 0u);
        ASSERT_NE(row.charsetName, nullptr);
        ASSERT_NE(row.displayName, nullptr);
    }
}

TEST(CodePageTable, RowsSitAtTheirFixedPositions) {
    struct Row {
        std::size_t position;  // 1-based, as the table is numbered
        std::uint32_t codePage;
        std::string charsetName;
        std::string displayName;
    };
    const Row expected[] = {
        {1, 864, "IBM864", "Arabic (864)"},
        {5, 1256, "WINDOWS-1256", "Arabic (Windows)"},
        {11, 1250, "windows-1250", "Central European (Windows)"},
        {14, 54936, "GB18030", "Chinese Simplified (GB18030)"},
        {37, 1047, "IBM01047", "IBM Latin-1"},
        {78, 932, "shift_jis", "Japanese (Shift-JIS)"},
        {79, 949, "ks_c_5601-1987", "Korean"},
        {94, 1200, "utf-16LE", "Unicode"},
        {96, 12000, "utf-32", "Unicode (UTF-32)"},
        {99, 65001, "UTF-8", "Unicode (UTF-8)"},
        {102, 1252, "windows-1252", "Western European (Windows)"},
        {103, 20127, "CP1252", "Windows-1252"},
        {137, 20924, "IBM924", "IBM Latin-1"},
        {142, 20423, "IBM423", "IBM EBCDIC (Greek)"},
        {143, 50000, "x-user-defined", "User Defined (Windows)"},
    };
    const auto table = CodePageTable();
    for (const Row& row : expected) {
        SCOPED_TRACE(row.position);
        const TextEncodingItem& actual = table[row.position - 1];
        EXPECT_EQ(actual.codePage, row.codePage);
        EXPECT_EQ(actual.charsetName, row.charsetName);
        EXPECT_EQ(actual.displayName, row.displayName);
    }
}

TEST(CodePageTable, SomeNumbersShareACharsetName) {
    struct Shared {
        std::uint32_t first;
        std::uint32_t second;
        std::string charsetName;
    };
    const Shared shared[] = {
        {50932, 51932, "euc-jp"},
        {50949, 51949, "euc-kr"},
        {50220, 50222, "iso-2022-jp"},
    };
    for (const Shared& pair : shared) {
        ASSERT_NE(GetCodePageInfo(pair.first), nullptr);
        ASSERT_NE(GetCodePageInfo(pair.second), nullptr);
        EXPECT_EQ(GetCodePageInfo(pair.first)->charsetName, pair.charsetName);
        EXPECT_EQ(GetCodePageInfo(pair.second)->charsetName, pair.charsetName);
        EXPECT_NE(GetCodePageInfo(pair.first), GetCodePageInfo(pair.second));
    }
}

TEST(CodePageTable, EveryNumberFindsItsOwnRow) {
    for (const TextEncodingItem& row : CodePageTable()) {
        EXPECT_EQ(GetCodePageInfo(row.codePage), &row) << row.codePage;
    }
}

TEST(CodePageTable, ProbeMarksCommonCodePagesAvailable) {
    // windows-1252 and similar names open with U_AMBIGUOUS_ALIAS_WARNING,
    // which must count as success.
    const std::uint32_t must_be_available[] = {1250,  1251, 1252, 1253,  1254,  1255,  1256,  1257,
                                               1258,  932,  936,  949,   950,   54936, 28591, 28605,
                                               20866, 1200, 1201, 12000, 65001, 50220};
    for (const std::uint32_t code_page : must_be_available) {
        const TextEncodingItem* row = GetCodePageInfo(code_page);
        ASSERT_NE(row, nullptr) << code_page;
        EXPECT_TRUE(row->available) << code_page << " " << row->charsetName;
    }
}

TEST(CodePageTable, AvailableListKeepsTableOrderAndSkipsUnavailableRows) {
    const auto available = AvailableCodePages();
    const auto table = CodePageTable();
    ASSERT_FALSE(available.empty());
    ASSERT_LT(available.size(), table.size()) << "ICU has no converter for some rows, e.g. Johab";
    const TextEncodingItem* previous = nullptr;
    for (const TextEncodingItem* row : available) {
        EXPECT_TRUE(row->available);
        if (previous != nullptr) {
            EXPECT_LT(previous, row);
        }
        previous = row;
    }
    std::size_t available_in_table = 0;
    for (const TextEncodingItem& row : table) {
        available_in_table += row.available ? 1 : 0;
    }
    EXPECT_EQ(available.size(), available_in_table);
}

TEST(CodePageTable, InitIsIdempotentAndSafeFromSeveralThreads) {
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([] { InitCodePageTable(); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const auto before = AvailableCodePages();
    InitCodePageTable();
    EXPECT_EQ(AvailableCodePages(), before);
}

TEST(CodePageTable, RemembersTheUnicodeRows) {
    EXPECT_EQ(&Utf8Row(), GetCodePageInfo(65001));
    EXPECT_EQ(&Utf32Row(), GetCodePageInfo(12000));
    EXPECT_EQ(&Utf16LeRow(), GetCodePageInfo(1200));
    EXPECT_STREQ(Utf8Row().charsetName, "UTF-8");
    EXPECT_STREQ(Utf16LeRow().charsetName, "utf-16LE");
}

TEST(CodePageLookup, LogsOnlyUnknownNonZeroNumbers) {
    struct Case {
        std::uint32_t codePage;
        bool found;
        std::vector<std::string> logged;
    };
    const Case cases[] = {
        {1252, true, {}},
        {0, false, {}},
        {1, false, {"MAILWRIGHT - UNKNOWN CHARSET 1"}},
        {65002, false, {"MAILWRIGHT - UNKNOWN CHARSET 65002"}},
        {0xFFFFFFFFu, false, {"MAILWRIGHT - UNKNOWN CHARSET -1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        ScopedLogCapture capture;
        const TextEncodingItem* row = GetCodePageInfo(c.codePage);
        EXPECT_EQ(row != nullptr, c.found);
        if (row != nullptr) {
            EXPECT_EQ(row->codePage, c.codePage);
        }
        EXPECT_EQ(capture.lines(), c.logged);
    }
}

TEST(CodePageLookup, DisplayNames) {
    struct Case {
        std::uint32_t codePage;
        std::optional<std::string> displayName;
    };
    const Case cases[] = {
        {1252, "Western European (Windows)"},
        {20127, "Windows-1252"},
        {51932, "Japanese (EUC)"},
        {1361, "Korean (Johab)"},  // shown even though ICU lacks it; the UI filters
        {0, std::nullopt},
        {1, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetCodePageDisplayName(c.codePage), c.displayName) << c.codePage;
    }
}

}  // namespace
}  // namespace mailwright::text
