#include "model/mapi_folder.h"

#include <stdexcept>
#include <unordered_set>

#include "model/item_kinds.h"
#include "model/message.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/system_log.h"
#include "pstread/pst/property_ids.h"
#include "text/time_zone.h"

namespace mailwright::model {

std::string appendPathComponent(const std::string& path, const std::string& component) {
    if (component.empty()) {
        return path;
    }
    if (path.empty()) {
        return component;
    }
    return path.back() == '/' ? path + component : path + "/" + component;
}

std::shared_ptr<MAPIFolder> MAPIFolder::initWithFolder(
    const pstread::folder& folder, const std::shared_ptr<MessageStore>& ownerStore,
    const std::shared_ptr<MAPIFolder>& parentFolder, std::optional<std::string> overrideName) {
    auto made = std::make_shared<MAPIFolder>(Private{}, folder, ownerStore, parentFolder,
                                             overrideName.has_value());
    pstread::property_bag& bag = made->m_folderP.get_property_bag();
    if (bag.has_property(pstread::pid_tag_content_count)) {
        made->m_contentCount =
            static_cast<std::int32_t>(bag.inline_value_4(pstread::pid_tag_content_count));
    }
    made->m_defaultItemType = overrideName ? kFolderStoreRoot : kFolderMail;
    bag.set_charset(made->session()->decodingCharset());
    if (bag.has_property(pstread::pid_tag_container_class)) {
        made->m_defaultItemType = folderKindOfContainerClass(
            bag.read_utf8string(pstread::pid_tag_container_class), made->m_defaultItemType);
    }
    made->m_folderName = overrideName ? std::move(*overrideName)
                                      : bag.read_utf8string(pstread::pid_tag_display_name);
    made->m_fullFolderPath =
        parentFolder ? appendPathComponent(parentFolder->fullFolderPath(), made->m_folderName)
                     : ownerStore->storeName();
    return made;
}

MAPIFolder::MAPIFolder(Private, const pstread::folder& folder,
                       const std::shared_ptr<MessageStore>& ownerStore,
                       const std::shared_ptr<MAPIFolder>& parentFolder, bool hasOverrideName)
    : m_folderP(folder),
      m_hasOverrideName(hasOverrideName),
      m_ownerStore(ownerStore),
      m_parentFolder(parentFolder) {
    if (!ownerStore) {
        throw std::invalid_argument("MAPIFolder: a folder needs its store");
    }
}

std::shared_ptr<PSTSession> MAPIFolder::session() const {
    const auto store = ownerStore();
    auto owner = store ? store->ownerSession() : nullptr;
    if (!owner) {
        throw std::logic_error("MAPIFolder: the folder's PST session is closed");
    }
    return owner;
}

const std::vector<std::shared_ptr<MAPIFolder>>& MAPIFolder::getFolders() {
    if (m_subFoldersArray) {
        return *m_subFoldersArray;
    }
    const auto owner = session();
    const auto store = ownerStore();
    std::vector<std::shared_ptr<MAPIFolder>> children;
    std::unordered_set<pstread::node_id> placedHere;
    for (const pstread::folder& child : m_folderP.sub_folders()) {
        const pstread::node_id id = child.get_id();
        if (owner->isFolderPlaced(id) || placedHere.contains(id)) {
            platform::log_format("MAILWRIGHT - FOLDER 0x%x LISTED MORE THAN ONCE, SKIPPED",
                                 static_cast<unsigned>(id));
            continue;
        }
        children.push_back(initWithFolder(child, store, shared_from_this(), std::nullopt));
        placedHere.insert(id);
    }
    // Recorded only once every child is made, so a failure leaves nothing
    // half placed for the next attempt.
    for (const pstread::node_id id : placedHere) {
        owner->placeFolder(id);
    }
    m_subFoldersArray = std::move(children);
    return *m_subFoldersArray;
}

std::shared_ptr<Message> MAPIFolder::queryMessage() {
    const auto owner = session();
    if (!m_currentMsgItrP) {
        ResetQuery();
    }
    if (*m_currentMsgItrP == *m_endMsgItrP) {
        return nullptr;
    }
    const pstread::message_iterator here = (*m_currentMsgItrP)++;
    return Message::initWithMessage(*here, owner, text::DateTimeZone::system());
}

std::shared_ptr<Message> MAPIFolder::queryPreparedMessage(MessageFields fields) {
    const auto owner = session();
    if (!m_currentMsgItrP) {
        ResetQuery();
    }
    if (*m_currentMsgItrP == *m_endMsgItrP) {
        return nullptr;
    }
    ++*m_currentMsgItrP;
    return Message::initWithFields(std::move(fields), owner);
}

std::size_t MAPIFolder::queryRow() const {
    return m_currentMsgItrP ? m_currentMsgItrP->base().row() : 0;
}

void MAPIFolder::ResetQuery() {
    m_currentMsgItrP = m_folderP.message_begin();
    m_endMsgItrP = m_folderP.message_end();
}

void MAPIFolder::invalidateCodePage() {
    pstread::property_bag& bag = m_folderP.get_property_bag();
    bag.set_charset(session()->decodingCharset());
    if (m_hasOverrideName) {
        if (const auto store = ownerStore()) {
            m_folderName = store->storeName();
        }
    } else {
        m_folderName = bag.read_utf8string(pstread::pid_tag_display_name);
    }
    for (const auto& child : getFolders()) {
        child->invalidateCodePage();
    }
}

}  // namespace mailwright::model
