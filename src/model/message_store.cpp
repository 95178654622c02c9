#include "model/message_store.h"

#include "model/mapi_folder.h"
#include "model/pst_session.h"

namespace mailwright::model {

std::shared_ptr<MessageStore> MessageStore::initWithFolder(pstread::folder rootFolder) {
    return std::make_shared<MessageStore>(Private{}, std::move(rootFolder));
}

std::shared_ptr<MAPIFolder> MessageStore::getSubTreeFolder() {
    if (!m_rootMAPIFolder) {
        m_rootMAPIFolder =
            MAPIFolder::initWithFolder(m_rootFolderP, shared_from_this(), nullptr, m_storeName);
        if (const auto session = ownerSession()) {
            session->placeFolder(m_rootFolderP.get_id());
        }
    }
    return m_rootMAPIFolder;
}

void MessageStore::invalidateCodePage() {
    getSubTreeFolder()->invalidateCodePage();
}

}  // namespace mailwright::model
