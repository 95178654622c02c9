#include "mailbox_walk.h"

#include <set>
#include <sstream>

#include "support/le_bytes.h"

namespace walk {

using namespace pstbuild;

namespace {

constexpr std::size_t kMaxFolderDepth = 64;
constexpr std::size_t kMaxMessageDepth = 16;
constexpr std::uint16_t kPtObject = 0x000D;

std::string hex(std::uint64_t value) {
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

void require(bool condition, const std::string& message) {
    if (!condition) {
        throw WalkError(message);
    }
}

std::uint32_t type_of(std::uint32_t nid) {
    return nid & 0x1F;
}

std::uint32_t part(std::uint32_t nid, std::uint32_t type) {
    return (nid & ~0x1Fu) | type;
}

std::int64_t long_of(const PropertyMap& map, std::uint16_t id, const std::string& where) {
    const auto found = map.find(id);
    require(found != map.end() && found->second.bytes.size() == 4,
            where + ": no 32-bit property " + hex(id));
    return static_cast<std::int32_t>(get_u32(found->second.bytes, 0));
}

// Cells a table row copies from an object must equal the object's values.
void require_row_matches(const PropertyMap& row, const PropertyMap& object,
                         const std::string& where) {
    for (const auto& [id, cell] : row) {
        if (id == 0x67F2 || id == 0x67F3) {
            continue;
        }
        const auto found = object.find(id);
        require(found != object.end(), where + ": row cell " + hex(id) + " not in the object");
        require(found->second.type == cell.type && found->second.bytes == cell.bytes,
                where + ": row cell " + hex(id) + " differs from the object's value");
    }
}

void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string text_of(const Property& property) {
    if (property.type != 0x001F) {
        return std::string(property.bytes.begin(), property.bytes.end());
    }
    std::string out;
    const std::vector<std::uint8_t>& b = property.bytes;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        std::uint32_t unit = b[i] | b[i + 1] << 8;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < b.size()) {
            const std::uint32_t low = b[i + 2] | b[i + 3] << 8;
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        append_utf8(out, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
    return out;
}

MailboxWalk::MailboxWalk(std::span<const std::uint8_t> file) : file_(file), ndb_(file) {
    visit_every_node();
    visit_folder(0x122, "", 0);
    // Every message node is listed by its folder.
    std::size_t messages = 0;
    std::size_t associated = 0;
    for (const auto& [nid, entry] : ndb_.nodes()) {
        messages += type_of(nid) == 0x04 ? 1 : 0;
        associated += type_of(nid) == 0x08 ? 1 : 0;
    }
    require(messages == stats_.messages && associated == stats_.associated,
            "message nodes that no contents table lists");
}

PropertyMap MailboxWalk::properties(std::uint32_t nid) const {
    return read_property_context(ndb_, load_node(ndb_, nid));
}

Table MailboxWalk::table(std::uint32_t nid) const {
    return read_table_context(ndb_, load_node(ndb_, nid));
}

const FolderVisit& MailboxWalk::folder(const std::string& path) const {
    for (const FolderVisit& f : folders_) {
        if (f.path == path) {
            return f;
        }
    }
    throw WalkError("no folder '" + path + "'");
}

void MailboxWalk::count(const Table& table) {
    ++stats_.tables;
    for (const PropertyMap& row : table.rows) {
        stats_.properties += row.size();
    }
}

void MailboxWalk::check_named_ids(const PropertyMap& properties, std::uint32_t nid) const {
    for (const auto& [id, value] : properties) {
        require(id < 0x8000 || id < 0x8000 + stats_.named_properties,
                "node " + hex(nid) + ": named property id " + hex(id) + " not in the map");
    }
}

// Reads every node of the NBT by its type, so that nodes the folder walk
// never reaches are read too.
void MailboxWalk::visit_every_node() {
    const PropertyMap map = properties(0x61);
    const auto entries = map.find(0x0003);
    require(entries != map.end() && entries->second.bytes.size() % 8 == 0,
            "name-to-id map without an entry stream");
    stats_.named_properties = entries->second.bytes.size() / 8;
    for (const auto& [nid, entry] : ndb_.nodes()) {
        ++stats_.nodes;
        const std::uint32_t type = type_of(nid);
        if (nid == 0x21 || type == 0x02 || type == 0x03) {
            const PropertyMap pc = properties(nid);
            stats_.properties += pc.size();
            check_named_ids(pc, nid);
        } else if ((type >= 0x0D && type <= 0x12)) {
            count(table(nid));
        } else if (type != 0x04 && type != 0x08) {
            ndb_.stream(entry.bidData);  // queues and other opaque nodes
            ndb_.subnodes(entry.bidSub);
        }
    }
}

void MailboxWalk::visit_folder(std::uint32_t nid, const std::string& path, std::size_t depth) {
    require(depth < kMaxFolderDepth, "folder tree deeper than " + std::to_string(kMaxFolderDepth));
    const std::string where = "folder " + hex(nid) + " '" + path + "'";
    FolderVisit visit{path, nid, properties(nid), {}};
    ++stats_.folders;

    const Table contents = table(part(nid, 0x0E));
    require(
        long_of(visit.properties, 0x3602, where) == static_cast<std::int64_t>(contents.rows.size()),
        where + ": PidTagContentCount differs from the contents table's rows");
    std::int64_t unread = 0;
    for (std::size_t r = 0; r < contents.rows.size(); ++r) {
        const std::uint32_t message = contents.row_ids[r];
        require(type_of(message) == 0x04, where + ": contents row " + hex(message) + " type");
        require(ndb_.nodes().at(message).nidParent == nid,
                where + ": message " + hex(message) + " has another parent");
        const NodeData node = load_node(ndb_, message);
        const PropertyMap pc = read_property_context(ndb_, node);
        require_row_matches(contents.rows[r], pc, where + " message " + hex(message));
        if (pc.count(0x0E07) != 0 && (long_of(pc, 0x0E07, where) & 0x1) == 0) {
            ++unread;
        }
        visit_message(node, 0);
        visit.messages.push_back(message);
        ++stats_.messages;
    }
    require(long_of(visit.properties, 0x3603, where) == unread,
            where + ": PidTagContentUnreadCount differs from the unread rows");

    const Table associated = table(part(nid, 0x0F));
    for (const std::uint32_t message : associated.row_ids) {
        require(type_of(message) == 0x08, where + ": FAI row " + hex(message) + " type");
        visit_message(load_node(ndb_, message), 0);
        ++stats_.associated;
    }

    const Table hierarchy = table(part(nid, 0x0D));
    require((visit.properties.at(0x360A).bytes.at(0) != 0) == !hierarchy.rows.empty(),
            where + ": PidTagSubfolders differs from the hierarchy table");
    folders_.push_back(visit);
    for (std::size_t r = 0; r < hierarchy.rows.size(); ++r) {
        const std::uint32_t child = hierarchy.row_ids[r];
        const auto found = ndb_.nodes().find(child);
        if (found == ndb_.nodes().end() || found->second.nidParent != nid) {
            continue;  // a row naming some other node (tests make such rows)
        }
        const PropertyMap pc = properties(child);
        require_row_matches(hierarchy.rows[r], pc, where + " subfolder " + hex(child));
        if (type_of(child) == 0x03) {
            ++stats_.search_folders;
            const Table results = table(part(child, 0x10));
            require(long_of(pc, 0x3602, where) == static_cast<std::int64_t>(results.rows.size()),
                    where + ": search folder count");
            continue;
        }
        require(type_of(child) == 0x02, where + ": hierarchy row " + hex(child) + " type");
        const std::string name = text_of(pc.at(0x3001));
        visit_folder(child, path.empty() ? name : path + "/" + name, depth + 1);
    }
}

void MailboxWalk::visit_message(const NodeData& node, std::size_t depth) {
    require(depth < kMaxMessageDepth, "embedded messages nested too deep");
    const std::string where = "message " + hex(node.nid);
    const PropertyMap pc = read_property_context(ndb_, node);
    stats_.properties += pc.size();
    check_named_ids(pc, node.nid);
    require(pc.count(0x001A) == 1, where + ": no PidTagMessageClass");
    const std::int64_t flags = long_of(pc, 0x0E07, where);

    const Table recipients = read_table_context(ndb_, load_subnode(ndb_, node, 0x692));
    count(recipients);
    stats_.recipients += recipients.rows.size();

    std::set<std::uint32_t> attachment_subnodes;
    for (const auto& [sub, entry] : node.subnodes) {
        if (type_of(sub) == 0x05) {
            attachment_subnodes.insert(sub);
        }
    }
    const bool has_table = node.subnodes.count(0x671) != 0;
    require(has_table == ((flags & 0x10) != 0),
            where + ": mfHasAttach differs from the attachment table's presence");
    if (!has_table) {
        require(attachment_subnodes.empty(), where + ": attachments without a table");
        return;
    }
    const Table attachments = read_table_context(ndb_, load_subnode(ndb_, node, 0x671));
    count(attachments);
    require(attachments.rows.size() == attachment_subnodes.size(),
            where + ": attachment rows differ from the attachment subnodes");
    for (std::size_t r = 0; r < attachments.rows.size(); ++r) {
        const std::uint32_t sub = attachments.row_ids[r];
        require(attachment_subnodes.count(sub) == 1,
                where + ": attachment row " + hex(sub) + " has no subnode");
        const NodeData attachment = load_subnode(ndb_, node, sub);
        const PropertyMap apc = read_property_context(ndb_, attachment);
        require_row_matches(attachments.rows[r], apc, where + " attachment " + hex(sub));
        visit_attachment(node, sub, depth);
        ++stats_.attachments;
    }
}

void MailboxWalk::visit_attachment(const NodeData& message, std::uint32_t nid, std::size_t depth) {
    const NodeData node = load_subnode(ndb_, message, nid);
    const std::string where = "attachment " + hex(nid) + " of " + hex(message.nid);
    const PropertyMap pc = read_property_context(ndb_, node);
    stats_.properties += pc.size();
    const auto data = pc.find(0x3701);
    if (long_of(pc, 0x3705, where) == 5) {
        require(
            data != pc.end() && data->second.type == kPtObject && data->second.bytes.size() == 8,
            where + ": embedded message without a PT_OBJECT value");
        const std::uint32_t object = get_u32(data->second.bytes, 0);
        const NodeData embedded = load_subnode(ndb_, node, object);
        require(embedded.data.size() == get_u32(data->second.bytes, 4),
                where + ": PT_OBJECT size differs from the subnode's");
        ++stats_.embedded;
        visit_message(embedded, depth + 1);
    } else if (data != pc.end()) {
        stats_.attachment_bytes += data->second.bytes.size();
    }
}

}  // namespace walk
