// The columns of the tables a mailbox holds: folder hierarchy, contents and
// associated contents tables, the search contents table, and the recipient
// and attachment tables of messages. Each starts from the template columns
// [MS-PST] 2.4.4.4.1, 2.4.4.5.1, 2.4.4.6.1, 2.4.5.3.1 and 2.4.6.1.1 require
// and adds the columns real files carry for what the writer stores. The
// template nodes (0x60D, 0x60E, 0x60F, 0x610, 0x671, 0x692) are empty tables
// with these columns.
#pragma once

#include <cstdint>
#include <vector>

#include "support/string_form.h"
#include "support/table_context_builder.h"

namespace pstbuild {

enum class TableKind { hierarchy, contents, associated, search_contents, recipients, attachments };

// The column tags of a table, string columns in the file's form.
std::vector<std::uint32_t> table_columns(TableKind kind, const StringForm& form);

// An empty table with those columns.
TableContextBuilder make_table(TableKind kind, const StringForm& form, TcOptions options = {});

// Template node ids ([MS-PST] 2.4.4.4.1 and following).
inline constexpr std::uint32_t kNidHierarchyTemplate = 0x60D;
inline constexpr std::uint32_t kNidContentsTemplate = 0x60E;
inline constexpr std::uint32_t kNidAssociatedTemplate = 0x60F;
inline constexpr std::uint32_t kNidSearchContentsTemplate = 0x610;
inline constexpr std::uint32_t kNidAttachmentTable = 0x671;  // also the subnode of a message
inline constexpr std::uint32_t kNidRecipientTable = 0x692;   // likewise

}  // namespace pstbuild
