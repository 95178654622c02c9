// One opened PST file as the messaging layer sees it: the message store's
// properties (node 0x21), the named property map (node 0x61) and the root of
// the folder tree (node 0x122). The store's property bag and the map are
// opened on first use and kept for as long as the pst lives.
//
//   pst file(open_database("mail.pst"));
//   file.get_property_bag().set_charset(GetCodePageInfo(1252));
//   for (folder f : file.open_root_folder().sub_folders()) ...
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "pstread/ltp/guid.h"
#include "pstread/ltp/name_id_map.h"
#include "pstread/ltp/property_bag.h"
#include "pstread/ndb/database.h"
#include "pstread/pst/folder.h"
#include "pstread/pst/message.h"

namespace pstread {

class pst {
public:
    explicit pst(shared_db_ptr db);

    pst(const pst&) = delete;
    pst& operator=(const pst&) = delete;

    const shared_db_ptr& get_db() const { return m_db; }
    bool is_unicode() const { return m_db->is_unicode(); }
    std::uint16_t get_format_version() const { return m_db->get_format_version(); }

    // The store's property context (node 0x21), opened on the first call;
    // key_not_found<node_id> when the file has no store node.
    property_bag& get_property_bag();
    // PidTagDisplayName of the store.
    std::u32string get_name();

    // A new folder over node 0x122 on each call.
    folder open_root_folder();
    // A folder or message by node id, for callers that kept one.
    folder open_folder(node_id id);
    message open_message(node_id id);

    // The named property map, opened on the first call.
    name_id_map& get_name_id_map();
    // The property id this file gives a named property; key_not_found
    // <named_prop> when the file does not use it.
    prop_id lookup_prop_id(const guid& set, std::int64_t id);
    prop_id lookup_prop_id(const guid& set, const std::u32string& name);

private:
    shared_db_ptr m_db;
    std::optional<property_bag> m_store_bag;
    std::unique_ptr<name_id_map> m_names;
};

}  // namespace pstread
