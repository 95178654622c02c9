// A second, independent reading of a whole mailbox for the builder's tests:
// every node of the NBT is read as what its NID type says it is (property
// context, table, message with its subnodes), and the folder tree is walked
// from the root checking that the pieces agree: content counts and table
// rows, parents, attachment tables and attachment subnodes, embedded
// messages, named property ids. Any disagreement throws walk::WalkError.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ltp_walker.h"

namespace walk {

struct MailboxStats {
    std::size_t nodes = 0;
    std::size_t folders = 0;  // normal folders reached from the root, the root included
    std::size_t search_folders = 0;
    std::size_t messages = 0;  // rows of contents tables
    std::size_t associated = 0;
    std::size_t embedded = 0;
    std::size_t recipients = 0;
    std::size_t attachments = 0;
    std::size_t properties = 0;  // property context entries and table cells read
    std::size_t tables = 0;
    std::uint64_t attachment_bytes = 0;
    std::size_t named_properties = 0;
};

struct FolderVisit {
    std::string path;
    std::uint32_t nid = 0;
    PropertyMap properties;
    std::vector<std::uint32_t> messages;  // contents table row ids, in order
};

// UTF-16LE bytes to UTF-8 (lone surrogates become U+FFFD); 8-bit strings
// are returned as they are.
std::string text_of(const Property& property);

class MailboxWalk {
public:
    // Walks everything; `file` must stay alive as long as the walk.
    explicit MailboxWalk(std::span<const std::uint8_t> file);

    const NdbWalker& ndb() const { return ndb_; }
    const MailboxStats& stats() const { return stats_; }
    const std::vector<FolderVisit>& folders() const { return folders_; }
    const FolderVisit& folder(const std::string& path) const;

    PropertyMap properties(std::uint32_t nid) const;
    Table table(std::uint32_t nid) const;

private:
    void visit_every_node();
    void visit_folder(std::uint32_t nid, const std::string& path, std::size_t depth);
    void visit_message(const NodeData& node, std::size_t depth);
    void visit_attachment(const NodeData& message, std::uint32_t nid, std::size_t depth);
    void check_named_ids(const PropertyMap& properties, std::uint32_t nid) const;
    void count(const Table& table);

    std::span<const std::uint8_t> file_;
    NdbWalker ndb_;
    MailboxStats stats_;
    std::vector<FolderVisit> folders_;
};

}  // namespace walk
