// The folders of a store that hold the user's items, as against Outlook's
// own. The user's folders sit in the store's IPM subtree: the folder that the
// message store's PidTagIpmSubTreeEntryId names ("Top of Personal Folders",
// "Top of Outlook data file"; "IPM_SUBTREE" below "Root - Mailbox" in an
// OST). The folders beside it and beside the folders above it ("Search Root",
// "IPM_VIEWS", "IPM_COMMON_VIEWS", "Freebusy Data", "Finder" and the like)
// hold views, search links and free/busy data, not items to convert. Search
// folders themselves are never walked (see pstread::folder).
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "pstread/ndb/database.h"
#include "pstread/pst/pst.h"

namespace mailwright::model {

class MAPIFolder;

// The node id in the store's IPM subtree entry id (an ENTRYID of [MS-PST]
// 2.4.3.2: 4 flag bytes, the 16-byte provider UID, the NID); nothing when the
// store has no such property or it is not 24 bytes long.
std::optional<pstread::node_id> ipmSubTreeNodeId(pstread::pst& file);

// The subfolders of `folder` that listings and runs take. Above the IPM
// subtree (the store's root folder, and in an OST the folders between) that
// is only the subfolder on the way down to it; below it, and with
// `allFolders`, all subfolders. When the store names no IPM subtree, or its
// parents do not lead up to the root folder (a damaged file), all subfolders
// are taken, so that nothing is lost.
std::vector<std::shared_ptr<MAPIFolder>> userSubfolders(MAPIFolder& folder, bool allFolders);

}  // namespace mailwright::model
