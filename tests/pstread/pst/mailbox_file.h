// Builder mailboxes opened with the reader, for the messaging layer and the
// session model tests: the file bytes, what the builder wrote where, and the
// database over the bytes held in memory.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "pstread/ndb/database.h"
#include "support/block_writer.h"
#include "support/layout.h"
#include "support/le_bytes.h"
#include "support/mailbox.h"
#include "support/mailbox_writer.h"
#include "support/ndb_builder.h"

namespace psttest {

using pstbuild::Variant;

struct BuiltMailbox {
    std::vector<std::uint8_t> bytes;
    pstbuild::MailboxReport report;
    pstbuild::Layout layout;

    pstread::shared_db_ptr open(std::string name = "mailbox.pst") const {
        return pstread::open_database(
            std::make_shared<pstread::database_file>(bytes, std::move(name)));
    }
    std::uint32_t folder_nid(const std::string& path) const { return report.folder(path).nid; }
};

inline BuiltMailbox build_file(const pstbuild::Mailbox& box, Variant variant = Variant::unicode,
                               std::uint16_t wVer = 0) {
    pstbuild::NdbBuilder ndb({.variant = variant, .pad_to_amap_section = false, .wVer = wVer});
    BuiltMailbox built;
    built.report = pstbuild::write_mailbox(box, ndb);
    built.bytes = ndb.build();
    built.layout = ndb.layout();
    return built;
}

// Flips one byte of the first data block of a top-level node, so that
// reading the node fails its block check.
inline void damage_node(BuiltMailbox& built, std::uint32_t nid) {
    const pstbuild::Placement& block = built.layout.data_block_at(nid, 0);
    built.bytes.at(block.offset) ^= 0xFF;
}

// A standard mailbox with folders "Inbox" and "Sent" under the top folder.
inline pstbuild::Mailbox two_folder_mailbox(std::string store_name = "Personal Folders") {
    pstbuild::Mailbox box = pstbuild::standard_mailbox(std::move(store_name));
    box.top().add_folder("Inbox", "IPF.Note");
    box.top().add_folder("Sent", "IPF.Note");
    return box;
}

inline pstbuild::Message mail(std::string subject) {
    pstbuild::Message m;
    m.subject = std::move(subject);
    m.sender = {"Ann Example", "ann@example.com"};
    return m;
}

// A message "level" with `depth` levels of embedded messages below it, the
// deepest one "deepest".
inline pstbuild::Message embedding_chain(unsigned depth) {
    pstbuild::Message chain = mail("deepest");
    for (unsigned level = 0; level < depth; ++level) {
        pstbuild::Message holder = mail("level");
        pstbuild::Attachment a;
        a.embedded = std::make_shared<pstbuild::Message>(std::move(chain));
        holder.attachments = {a};
        chain = std::move(holder);
    }
    return chain;
}

// A damaged mailbox whose Inbox holds one message of a chain `depth`
// messages deep, in which every message holds two attachments that share one
// node (so both lead to the same embedded message): reading everything would
// visit 2^depth messages.
inline BuiltMailbox fan_out_mailbox(unsigned depth) {
    std::shared_ptr<const pstbuild::Message> chain =
        std::make_shared<pstbuild::Message>(mail("deepest"));
    for (unsigned level = 0; level < depth; ++level) {
        auto holder = std::make_shared<pstbuild::Message>(mail("level"));
        pstbuild::Attachment shared;
        shared.embedded = chain;
        pstbuild::Attachment other;
        other.embedded = std::make_shared<pstbuild::Message>(mail("other"));
        holder->attachments = {shared, other};
        chain = holder;
    }
    pstbuild::Mailbox box = two_folder_mailbox();
    box.top().children[1].messages = {*chain};
    BuiltMailbox built = build_file(box);
    // In every subnode tree, the second attachment's entry takes the first's
    // data and subnode tree.
    const auto& t = pstbuild::traits(Variant::unicode);
    for (const auto& block : built.layout.items_of(pstbuild::ItemKind::slblock)) {
        const std::size_t count = pstbuild::get_u16(built.bytes, block.offset + 2);
        std::size_t first = 0;
        for (std::size_t e = 0; e < count; ++e) {
            const std::size_t entry = block.offset + t.subnode_header_size + e * t.slentry_size;
            if ((pstbuild::get_u64(built.bytes, entry) & 0x1F) != 0x05) {  // NID_TYPE_ATTACHMENT
                continue;
            }
            if (first == 0) {
                first = entry;
                continue;
            }
            std::copy_n(built.bytes.begin() + static_cast<std::ptrdiff_t>(first + 8), 16,
                        built.bytes.begin() + static_cast<std::ptrdiff_t>(entry + 8));
        }
        pstbuild::refresh_block_crc(std::span(built.bytes).subspan(block.offset, block.size),
                                    Variant::unicode);
    }
    return built;
}

}  // namespace psttest
