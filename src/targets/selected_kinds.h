// Which kinds of items a run converts, as the destinations' output folders
// depend on it.
#pragma once

#include <memory>
#include <vector>

namespace mailwright::model {
class MAPIFolder;
}

namespace mailwright::targets {

struct SelectedKinds {
    bool mails = false;
    bool contacts = false;
    bool calendar = false;
};

// The kinds of the selected folders: mail (and the store's root), contacts
// and calendar folders; other kinds are not converted and count for none.
SelectedKinds KindsOfFolders(const std::vector<std::shared_ptr<model::MAPIFolder>>& folders);

}  // namespace mailwright::targets
