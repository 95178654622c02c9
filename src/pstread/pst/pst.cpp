#include "pstread/pst/pst.h"

#include "pstread/pst/node_ids.h"
#include "pstread/pst/property_ids.h"

namespace pstread {

pst::pst(shared_db_ptr db) : m_db(std::move(db)) {}

property_bag& pst::get_property_bag() {
    if (!m_store_bag) {
        m_store_bag.emplace(m_db->lookup_node(nid_message_store));
    }
    return *m_store_bag;
}

std::u32string pst::get_name() {
    return get_property_bag().read_wstring(pid_tag_display_name);
}

folder pst::open_root_folder() {
    return open_folder(nid_root_folder);
}

folder pst::open_folder(node_id id) {
    return folder(m_db, m_db->lookup_node(id));
}

message pst::open_message(node_id id) {
    return message(m_db->lookup_node(id));
}

name_id_map& pst::get_name_id_map() {
    if (!m_names) {
        m_names = std::make_unique<name_id_map>(m_db);
    }
    return *m_names;
}

prop_id pst::lookup_prop_id(const guid& set, std::int64_t id) {
    return get_name_id_map().lookup(set, id);
}

prop_id pst::lookup_prop_id(const guid& set, const std::u32string& name) {
    return get_name_id_map().lookup(set, name);
}

}  // namespace pstread
