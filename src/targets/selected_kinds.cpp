#include "targets/selected_kinds.h"

#include "model/item_kinds.h"
#include "model/mapi_folder.h"

namespace mailwright::targets {

SelectedKinds KindsOfFolders(const std::vector<std::shared_ptr<model::MAPIFolder>>& folders) {
    SelectedKinds kinds;
    for (const auto& folder : folders) {
        switch (folder->defaultItemType()) {
            case model::kFolderMail:
            case model::kFolderStoreRoot:
                kinds.mails = true;
                break;
            case model::kFolderContacts:
                kinds.contacts = true;
                break;
            case model::kFolderCalendar:
                kinds.calendar = true;
                break;
            default:
                break;
        }
    }
    return kinds;
}

}  // namespace mailwright::targets
