#include "model/user_folders.h"

#include <algorithm>

#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "pstread/ndb/exceptions.h"
#include "pstread/pst/folder.h"
#include "pstread/pst/property_ids.h"

namespace mailwright::model {
namespace {

constexpr std::size_t kEntryIdBytes = 24;
constexpr std::size_t kEntryIdNidOffset = 20;

// The node ids from the IPM subtree up to the root folder, the subtree
// first; empty when there is no subtree or its parents do not reach the
// root within the folder depth limit.
std::vector<pstread::node_id> pathToIpmSubTree(pstread::pst& file, pstread::node_id root) {
    const std::optional<pstread::node_id> subtree = ipmSubTreeNodeId(file);
    if (!subtree) {
        return {};
    }
    std::vector<pstread::node_id> path{*subtree};
    while (path.back() != root && path.size() <= pstread::max_folder_depth + 1) {
        const pstread::node_id parent = file.get_db()->lookup_node_info(path.back()).parent_id;
        if (std::find(path.begin(), path.end(), parent) != path.end()) {
            return {};  // parents that go round in a circle
        }
        path.push_back(parent);
    }
    return path.back() == root ? path : std::vector<pstread::node_id>{};
}

// The MAPIFolder at the top of `folder`'s tree.
const MAPIFolder& topOf(const MAPIFolder& folder) {
    const MAPIFolder* top = &folder;
    for (auto parent = top->parentFolder(); parent; parent = parent->parentFolder()) {
        top = parent.get();
    }
    return *top;
}

}  // namespace

std::optional<pstread::node_id> ipmSubTreeNodeId(pstread::pst& file) {
    pstread::property_bag& store = file.get_property_bag();
    if (!store.has_property(pstread::pid_tag_ipm_sub_tree_entry_id)) {
        return std::nullopt;
    }
    const pstread::byte_buffer entryId = store.read_bytes(pstread::pid_tag_ipm_sub_tree_entry_id);
    if (entryId.size() != kEntryIdBytes) {
        return std::nullopt;
    }
    pstread::node_id nid = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        nid |= static_cast<pstread::node_id>(entryId[kEntryIdNidOffset + i]) << (8 * i);
    }
    return nid;
}

std::vector<std::shared_ptr<MAPIFolder>> userSubfolders(MAPIFolder& folder, bool allFolders) {
    const std::vector<std::shared_ptr<MAPIFolder>>& all = folder.getFolders();
    const auto store = folder.ownerStore();
    const auto session = store ? store->ownerSession() : nullptr;
    if (allFolders || !session) {
        return all;
    }
    std::vector<pstread::node_id> path;
    try {
        path = pathToIpmSubTree(session->pstSession(), topOf(folder).getFolder().get_id());
    } catch (const pstread::database_corrupt&) {
        return all;  // a damaged store value or node hides nothing
    } catch (const pstread::key_not_found<pstread::node_id>&) {
        return all;
    }
    const auto onPath = [&](pstread::node_id id) {
        return std::find(path.begin() + 1, path.end(), id) != path.end();
    };
    if (path.empty() || !onPath(folder.getFolder().get_id())) {
        return all;  // no usable subtree, or at or below it
    }
    for (const auto& child : all) {
        if (child->getFolder().get_id() == path.front() || onPath(child->getFolder().get_id())) {
            return {child};
        }
    }
    return all;
}

}  // namespace mailwright::model
