// Writes a described mailbox as a complete PST file ([MS-PST] 2.4): the
// message store (0x21), the name-to-id map (0x61), the root folder (0x122)
// and every folder as a property context with hierarchy (type 0x0D),
// contents (0x0E) and associated contents (0x0F) tables, the messages
// (type 0x04, FAI messages 0x08), the table templates (0x60D, 0x60E,
// 0x60F, 0x610, 0x671, 0x692) and the search management nodes.
//
// Folders are written depth first, each folder's messages one at a time
// straight into the node database, so a streaming NdbBuilder keeps memory
// flat however large the mailbox: only one folder's contents table rows and
// the B-tree entries are held.
//
//   std::vector<std::uint8_t> file = build_mailbox(box, {.variant = Variant::ansi});
//   MailboxReport r = write_mailbox_file(box, {.record_layout = false}, "big.pst");
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/mailbox.h"
#include "support/ndb_builder.h"

namespace pstbuild {

inline constexpr std::uint32_t kNidMessageStore = 0x21;
inline constexpr std::uint32_t kNidRootFolder = 0x122;
// Search management nodes ([MS-PST] 2.4.1), written empty.
inline constexpr std::uint32_t kNidSearchManagementQueue = 0x1E1;
inline constexpr std::uint32_t kNidSearchActivityList = 0x201;
inline constexpr std::uint32_t kNidSearchDomainObject = 0x261;
inline constexpr std::uint32_t kNidSearchGathererQueue = 0x281;
inline constexpr std::uint32_t kNidSearchGathererFolderQueue = 0x321;

// The node of type `type` that belongs with a folder ([MS-PST] 2.4.4: the
// folder's nid with another NID type).
constexpr std::uint32_t folder_part(std::uint32_t folder_nid, std::uint32_t type) {
    return (folder_nid & ~0x1Fu) | type;
}

struct WrittenFolder {
    std::string path;  // names from below the root, joined by '/'; "" for the root
    std::uint32_t nid = 0;
    std::uint32_t parent_nid = 0;
    std::size_t depth = 0;  // 0 for the root
    bool search_folder = false;
    std::size_t messages = 0;  // contents table rows, also PidTagContentCount
    std::size_t unread = 0;
    std::size_t associated = 0;  // FAI messages
    std::size_t subfolders = 0;  // hierarchy table rows
    // The folder's messages have consecutive nids from this one, in
    // contents table order: make_nid(0x04, (first_message_nid >> 5) + i).
    std::uint32_t first_message_nid = 0;

    std::uint32_t message_nid(std::size_t i) const {
        return ((first_message_nid >> 5) + static_cast<std::uint32_t>(i)) << 5 | 0x04;
    }
};

struct MailboxReport {
    std::vector<WrittenFolder> folders;  // in writing order: a folder before its subfolders
    std::uint64_t messages = 0;          // in contents tables
    std::uint64_t associated = 0;
    std::uint64_t embedded_messages = 0;
    std::uint64_t recipients = 0;
    std::uint64_t attachments = 0;
    std::uint64_t attachment_bytes = 0;
    std::uint64_t named_properties = 0;
    std::uint64_t file_size = 0;

    // The folder with this path; throws std::out_of_range.
    const WrittenFolder& folder(const std::string& path) const;
};

// Called after each message with the counts so far.
using MailboxProgress = std::function<void(const MailboxReport&)>;

// Writes the mailbox into `ndb` and finishes it. `ndb` may stream to a file
// or build in memory; its variant decides the string form (ANSI files store
// 8-bit text in the mailbox's code page). Throws std::invalid_argument for a
// description that cannot be written (a search folder with messages or
// subfolders, too many folders).
MailboxReport write_mailbox(const Mailbox& mailbox, NdbBuilder& ndb,
                            const MailboxProgress& progress = {});

// The whole file in memory.
std::vector<std::uint8_t> build_mailbox(const Mailbox& mailbox, NdbOptions options = {});

// Streams the file to `path`.
MailboxReport write_mailbox_file(const Mailbox& mailbox, NdbOptions options,
                                 const std::string& path, const MailboxProgress& progress = {});

}  // namespace pstbuild
