#include "support/mailbox_writer.h"

#include <map>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "support/message_builder.h"
#include "support/named_property_map_builder.h"
#include "support/property_context_builder.h"
#include "support/property_ids.h"
#include "support/table_schemas.h"

namespace pstbuild {
namespace {

// nidIndex counters, starting where Outlook's files start them: folders at
// 0x401 (0x8022), search folders at 0x111 (0x2223), messages at 0x10001
// (0x200024).
constexpr std::uint32_t kFirstFolderIndex = 0x401;
constexpr std::uint32_t kFirstSearchFolderIndex = 0x111;
constexpr std::uint32_t kLastSearchFolderIndex = 0x3FF;
constexpr std::uint32_t kFirstMessageIndex = 0x10001;
constexpr std::uint32_t kLastIndex = (1u << 27) - 1;

// PidTagValidFolderMask bits ([MS-OXPROPS]).
constexpr std::int32_t kIpmSubtreeValid = 0x01;
constexpr std::int32_t kWastebasketValid = 0x08;
constexpr std::int32_t kFinderValid = 0x80;

class Writer {
public:
    Writer(const Mailbox& mailbox, NdbBuilder& ndb, const MailboxProgress& progress)
        : box_(mailbox),
          ndb_(ndb),
          progress_(progress),
          form_(ndb.options().variant, mailbox.code_page),
          names_(ndb.options().variant),
          messages_(form_, names_) {}

    MailboxReport run() {
        write_folder(box_.root, kNidRootFolder, kNidRootFolder, "", 0);
        write_templates();
        write_search_management();
        write_store();
        // Last, when every named property has been registered.
        const NodeContent map = names_.build();
        ndb_.add_node(kNidNameToIdMap, map.data, map.subnodes);
        report_.named_properties = names_.entry_stream().size() / 8;
        ndb_.finish();
        report_.file_size = ndb_.layout().file_size;
        return std::move(report_);
    }

private:
    struct FolderResult {
        PropertyList properties;  // of the folder's property context
        std::uint32_t nid = 0;
    };

    std::uint32_t next_index(std::uint32_t& counter, std::uint32_t last, const char* what) {
        if (counter > last) {
            throw std::invalid_argument(std::string("too many ") + what + " for their node ids");
        }
        return counter++;
    }

    std::uint32_t new_folder_nid(const Folder& folder) {
        return folder.search_folder
                   ? make_nid(kNidTypeSearchFolder,
                              next_index(search_index_, kLastSearchFolderIndex, "search folders"))
                   : make_nid(kNidTypeNormalFolder,
                              next_index(folder_index_, kLastIndex, "folders"));
    }

    void count_message(const Message& m) {
        report_.recipients += m.recipients.size();
        for (const Attachment& a : m.attachments) {
            ++report_.attachments;
            report_.attachment_bytes += a.data.size();
            if (a.embedded) {
                ++report_.embedded_messages;
                count_message(*a.embedded);
            }
        }
    }

    // Writes one message node under the folder and adds its row to `table`.
    void write_message(const Message& m, std::uint32_t type, std::uint32_t folder_nid,
                       TableContextBuilder& table, const std::vector<std::uint32_t>& columns) {
        const std::uint32_t nid =
            make_nid(type, next_index(message_index_, kLastIndex, "messages"));
        const std::uint64_t serial = ++serial_;
        PropertyList props = messages_.properties(m, serial);
        if (m.extra_for_nid) {
            messages_.apply_extra(m.extra_for_nid(nid), props);
        }
        const NodeContent node = messages_.node(m, props, serial);
        ndb_.add_node(nid, node.data, node.subnodes, folder_nid);
        table.add_row(nid, props.cells_for(columns));
        count_message(m);
    }

    // The folder's messages (given, then generated) and its contents table.
    void write_contents(const Folder& folder, std::uint32_t nid, WrittenFolder& written) {
        const TableKind kind =
            folder.search_folder ? TableKind::search_contents : TableKind::contents;
        TableContextBuilder table = make_table(kind, form_);
        const std::vector<std::uint32_t> columns = table_columns(kind, form_);
        written.first_message_nid = make_nid(kNidTypeNormalMessage, message_index_);
        auto one = [&](const Message& m) {
            write_message(m, kNidTypeNormalMessage, nid, table, columns);
            ++written.messages;
            written.unread += m.read ? 0 : 1;
            ++report_.messages;
            if (progress_) {
                progress_(report_);
            }
        };
        for (const Message& m : folder.messages) {
            one(m);
        }
        for (std::size_t i = 0; i < folder.generated_count; ++i) {
            one(folder.generate(i));
        }
        const NodeContent content = table.build();
        const std::uint32_t type =
            folder.search_folder ? kNidTypeSearchContentsTable : kNidTypeContentsTable;
        ndb_.add_node(folder_part(nid, type), content.data, content.subnodes);
    }

    void write_associated(const Folder& folder, std::uint32_t nid, WrittenFolder& written) {
        TableContextBuilder table = make_table(TableKind::associated, form_);
        const std::vector<std::uint32_t> columns = table_columns(TableKind::associated, form_);
        for (const Message& m : folder.associated) {
            write_message(m, kNidTypeAssocMessage, nid, table, columns);
            ++written.associated;
            ++report_.associated;
        }
        const NodeContent content = table.build();
        ndb_.add_node(folder_part(nid, kNidTypeAssocContentsTable), content.data, content.subnodes);
    }

    PropertyList folder_properties(const Folder& folder, const WrittenFolder& written) {
        PropertyList out;
        out.set(pid::kDisplayName, form_.value(folder.name));
        out.set(pid::kContentCount, pv_long(static_cast<std::int32_t>(written.messages)));
        out.set(pid::kContentUnreadCount, pv_long(static_cast<std::int32_t>(written.unread)));
        out.set(pid::kSubfolders, pv_bool(written.subfolders > 0));
        if (!folder.container_class.empty()) {
            out.set(pid::kContainerClass, form_.value(folder.container_class));
        }
        out.set(pid::kPstHiddenCount, pv_long(static_cast<std::int32_t>(written.associated)));
        out.set(pid::kPstHiddenUnread, pv_long(0));
        messages_.apply_extra(folder.extra, out);
        for (const std::uint16_t id : folder.omit) {
            out.erase(id);
        }
        return out;
    }

    void check_search_folder(const Folder& folder, const std::string& path) const {
        if (folder.search_folder && (folder.message_count() > 0 || !folder.children.empty() ||
                                     !folder.associated.empty())) {
            throw std::invalid_argument("search folder '" + path +
                                        "' cannot hold messages or subfolders here");
        }
    }

    FolderResult write_folder(const Folder& folder, std::uint32_t nid, std::uint32_t parent,
                              const std::string& path, std::size_t depth) {
        check_search_folder(folder, path);
        if (folder.role != FolderRole::none) {
            role_nids_[folder.role] = nid;
        }
        const std::size_t slot = report_.folders.size();
        report_.folders.push_back(WrittenFolder{path, nid, parent, depth, folder.search_folder});
        WrittenFolder written = report_.folders[slot];

        write_contents(folder, nid, written);
        if (folder.search_folder) {
            // Its (empty) search update queue; no hierarchy or FAI tables.
            ndb_.add_node(folder_part(nid, kNidTypeSearchUpdateQueue), {});
        } else {
            write_associated(folder, nid, written);
            TableContextBuilder hierarchy = make_table(TableKind::hierarchy, form_);
            const std::vector<std::uint32_t> columns = table_columns(TableKind::hierarchy, form_);
            for (const Folder& child : folder.children) {
                const std::string child_path = path.empty() ? child.name : path + "/" + child.name;
                const std::uint32_t child_nid = new_folder_nid(child);
                FolderResult result = write_folder(child, child_nid, nid, child_path, depth + 1);
                hierarchy.add_row(child_nid, result.properties.cells_for(columns));
            }
            for (const std::uint32_t row : folder.extra_hierarchy_rows) {
                hierarchy.add_row(row, {});
            }
            written.subfolders = hierarchy.row_count();
            const NodeContent content = hierarchy.build();
            ndb_.add_node(folder_part(nid, kNidTypeHierarchyTable), content.data, content.subnodes);
        }

        FolderResult result{folder_properties(folder, written), nid};
        PropertyContextBuilder pc(form_.variant());
        for (const auto& [id, value] : result.properties.items()) {
            pc.set(id, value);
        }
        const NodeContent content = pc.build();
        ndb_.add_node(nid, content.data, content.subnodes, parent);
        report_.folders[slot] = written;
        return result;
    }

    void write_templates() {
        const std::pair<std::uint32_t, TableKind> templates[] = {
            {kNidHierarchyTemplate, TableKind::hierarchy},
            {kNidContentsTemplate, TableKind::contents},
            {kNidAssociatedTemplate, TableKind::associated},
            {kNidSearchContentsTemplate, TableKind::search_contents},
            {kNidAttachmentTable, TableKind::attachments},
            {kNidRecipientTable, TableKind::recipients},
        };
        for (const auto& [nid, kind] : templates) {
            const NodeContent content = make_table(kind, form_).build();
            ndb_.add_node(nid, content.data, content.subnodes);
        }
    }

    void write_search_management() {
        for (const std::uint32_t nid :
             {kNidSearchManagementQueue, kNidSearchActivityList, kNidSearchDomainObject,
              kNidSearchGathererQueue, kNidSearchGathererFolderQueue}) {
            ndb_.add_node(nid, {});
        }
    }

    void write_store() {
        PropertyContextBuilder pc(form_.variant());
        pc.set(pid::kRecordKey, pv_binary({box_.record_key.begin(), box_.record_key.end()}));
        pc.set(pid::kDisplayName, form_.value(box_.display_name));
        std::int32_t valid = 0;
        const std::tuple<FolderRole, std::uint16_t, std::int32_t> roles[] = {
            {FolderRole::ipm_subtree, pid::kIpmSubTreeEntryId, kIpmSubtreeValid},
            {FolderRole::wastebasket, pid::kIpmWastebasketEntryId, kWastebasketValid},
            {FolderRole::finder, pid::kFinderEntryId, kFinderValid},
        };
        for (const auto& [role, id, bit] : roles) {
            const auto found = role_nids_.find(role);
            if (found != role_nids_.end()) {
                pc.set(id, pv_binary(store_entry_id(box_.record_key, found->second)));
                valid |= bit;
            }
        }
        pc.set(pid::kValidFolderMask, pv_long(valid));
        pc.set(pid::kPstPassword, pv_long(static_cast<std::int32_t>(box_.password_crc)));
        PropertyList extra;
        messages_.apply_extra(box_.store_extra, extra);
        for (const auto& [id, value] : extra.items()) {
            pc.set(id, value);
        }
        const NodeContent content = pc.build();
        ndb_.add_node(kNidMessageStore, content.data, content.subnodes);
    }

    const Mailbox& box_;
    NdbBuilder& ndb_;
    const MailboxProgress& progress_;
    StringForm form_;
    NamedPropertyMapBuilder names_;
    MessageBuilder messages_;
    std::uint32_t folder_index_ = kFirstFolderIndex;
    std::uint32_t search_index_ = kFirstSearchFolderIndex;
    std::uint32_t message_index_ = kFirstMessageIndex;
    std::uint64_t serial_ = 0;
    std::map<FolderRole, std::uint32_t> role_nids_;
    MailboxReport report_;
};

}  // namespace

const WrittenFolder& MailboxReport::folder(const std::string& path) const {
    for (const WrittenFolder& f : folders) {
        if (f.path == path) {
            return f;
        }
    }
    throw std::out_of_range("no folder '" + path + "' was written");
}

MailboxReport write_mailbox(const Mailbox& mailbox, NdbBuilder& ndb,
                            const MailboxProgress& progress) {
    return Writer(mailbox, ndb, progress).run();
}

std::vector<std::uint8_t> build_mailbox(const Mailbox& mailbox, NdbOptions options) {
    NdbBuilder ndb(options);
    write_mailbox(mailbox, ndb);
    return ndb.build();
}

MailboxReport write_mailbox_file(const Mailbox& mailbox, NdbOptions options,
                                 const std::string& path, const MailboxProgress& progress) {
    NdbBuilder ndb(options, path);
    return write_mailbox(mailbox, ndb, progress);
}

}  // namespace pstbuild
