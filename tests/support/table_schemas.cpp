#include "support/table_schemas.h"

#include <span>

namespace pstbuild {
namespace {

struct ColumnLayout {
    std::uint16_t id;
    std::uint16_t type;  // string types are replaced by the file's form
};

// [MS-PST] 2.4.4.4.1 (types as in the sample table of [MS-PST] 3.11).
constexpr ColumnLayout kHierarchy[] = {
    {0x0E30, kPtBinary},  {0x0E33, kPtI8},   {0x0E34, kPtBinary}, {0x0E38, kPtLong},
    {0x3001, kPtUnicode}, {0x3602, kPtLong}, {0x3603, kPtLong},   {0x360A, kPtBoolean},
    {0x3613, kPtUnicode}, {0x6635, kPtLong}, {0x6636, kPtLong},
};

// [MS-PST] 2.4.4.5.1, plus PidTagSentRepresentingEmailAddress, the sender
// and the message's internet code page, which readers list mail by.
constexpr ColumnLayout kContents[] = {
    {0x0017, kPtLong},    {0x001A, kPtUnicode}, {0x0036, kPtLong},    {0x0037, kPtUnicode},
    {0x0039, kPtSysTime}, {0x0042, kPtUnicode}, {0x0057, kPtBoolean}, {0x0058, kPtBoolean},
    {0x0065, kPtUnicode}, {0x0070, kPtUnicode}, {0x0071, kPtBinary},  {0x0C1A, kPtUnicode},
    {0x0E03, kPtUnicode}, {0x0E04, kPtUnicode}, {0x0E06, kPtSysTime}, {0x0E07, kPtLong},
    {0x0E08, kPtLong},    {0x0E17, kPtLong},    {0x0E30, kPtLong},    {0x0E33, kPtI8},
    {0x0E34, kPtBinary},  {0x0E38, kPtLong},    {0x0E3C, kPtBinary},  {0x0E3D, kPtBinary},
    {0x1097, kPtLong},    {0x3008, kPtSysTime}, {0x3FDE, kPtLong},    {0x65C6, kPtLong},
};

// [MS-PST] 2.4.4.6.1.
constexpr ColumnLayout kAssociated[] = {
    {0x001A, kPtUnicode},
    {0x0E07, kPtLong},
    {0x0E17, kPtLong},
    {0x3001, kPtUnicode},
    {0x6800, kPtUnicode},
    {0x6803, kPtBoolean},
    {0x6805, kPtLong | kPtMultiValued},
    {0x7003, kPtLong},
    {0x7004, kPtBinary},
    {0x7005, kPtBinary},
    {0x7006, kPtUnicode},
    {0x7007, kPtLong},
};

// The search folder contents table template as real files have it: the
// contents columns a search result shows and PidTagLtpParentNid (0x67F1).
constexpr ColumnLayout kSearchContents[] = {
    {0x0017, kPtLong},    {0x001A, kPtUnicode}, {0x0036, kPtLong},    {0x0037, kPtUnicode},
    {0x0042, kPtUnicode}, {0x0057, kPtBoolean}, {0x0058, kPtBoolean}, {0x0E03, kPtUnicode},
    {0x0E04, kPtUnicode}, {0x0E05, kPtUnicode}, {0x0E06, kPtSysTime}, {0x0E07, kPtLong},
    {0x0E08, kPtLong},    {0x0E17, kPtLong},    {0x0E2A, kPtBoolean}, {0x3008, kPtSysTime},
    {0x67F1, kPtLong},
};

// [MS-PST] 2.4.5.3.1, plus the SMTP address, the recipient display name,
// flags and track status, and PidTagDisplayTypeEx.
constexpr ColumnLayout kRecipients[] = {
    {0x0C15, kPtLong},    {0x0E0F, kPtBoolean}, {0x0FF9, kPtBinary},  {0x0FFE, kPtLong},
    {0x0FFF, kPtBinary},  {0x3001, kPtUnicode}, {0x3002, kPtUnicode}, {0x3003, kPtUnicode},
    {0x300B, kPtBinary},  {0x3900, kPtLong},    {0x3905, kPtLong},    {0x39FE, kPtUnicode},
    {0x39FF, kPtUnicode}, {0x3A40, kPtBoolean}, {0x5FF6, kPtUnicode}, {0x5FFD, kPtLong},
    {0x5FFF, kPtLong},
};

// [MS-PST] 2.4.6.1.1, plus the names, MIME type, content id and flags of
// the attachment.
constexpr ColumnLayout kAttachments[] = {
    {0x0E20, kPtLong},    {0x3001, kPtUnicode}, {0x3703, kPtUnicode}, {0x3704, kPtUnicode},
    {0x3705, kPtLong},    {0x3707, kPtUnicode}, {0x370B, kPtLong},    {0x370E, kPtUnicode},
    {0x3712, kPtUnicode}, {0x7FFD, kPtLong},    {0x7FFE, kPtBoolean}, {0x7FFF, kPtBoolean},
};

std::span<const ColumnLayout> column_layout(TableKind kind) {
    switch (kind) {
        case TableKind::hierarchy:
            return kHierarchy;
        case TableKind::contents:
            return kContents;
        case TableKind::associated:
            return kAssociated;
        case TableKind::search_contents:
            return kSearchContents;
        case TableKind::recipients:
            return kRecipients;
        case TableKind::attachments:
            return kAttachments;
    }
    return {};
}

}  // namespace

std::vector<std::uint32_t> table_columns(TableKind kind, const StringForm& form) {
    std::vector<std::uint32_t> tags;
    for (const ColumnLayout& column : column_layout(kind)) {
        tags.push_back(make_tag(column.id, form.adapt(column.type)));
    }
    return tags;
}

TableContextBuilder make_table(TableKind kind, const StringForm& form, TcOptions options) {
    TableContextBuilder table(form.variant(), options);
    for (const std::uint32_t tag : table_columns(kind, form)) {
        table.add_column(tag);
    }
    return table;
}

}  // namespace pstbuild
