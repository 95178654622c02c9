// One folder of the session model: its name, full path, kind and item count,
// its subfolders (built once, on first request) and a cursor over its
// messages.
//
//   folder->ResetQuery();
//   while (auto message = folder->queryMessage()) { ... }
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/message.h"
#include "pstread/pst/folder.h"

namespace mailwright::model {

class MessageStore;
class PSTSession;

class MAPIFolder : public std::enable_shared_from_this<MAPIFolder> {
public:
    // Copies `folder`. The root folder is made with an override name (the
    // store's name); every other folder takes PidTagDisplayName. A folder
    // without PidTagContentCount counts 0 items. The folder's 8-bit strings
    // are decoded with the owner store's session's code page.
    static std::shared_ptr<MAPIFolder> initWithFolder(
        const pstread::folder& folder, const std::shared_ptr<MessageStore>& ownerStore,
        const std::shared_ptr<MAPIFolder>& parentFolder, std::optional<std::string> overrideName);

    MAPIFolder(const MAPIFolder&) = delete;
    MAPIFolder& operator=(const MAPIFolder&) = delete;

    // The subfolders in hierarchy table order, made on the first call and
    // never rebuilt. A folder that is already placed elsewhere in the tree
    // is left out (and logged).
    const std::vector<std::shared_ptr<MAPIFolder>>& getFolders();

    // The next message of the cursor, or null at its end. The cursor moves
    // past a message before reading it, so a message that fails to read
    // (the exception propagates) is not met again.
    std::shared_ptr<Message> queryMessage();
    // Moves the cursor past the next message as queryMessage does, without
    // reading it: another session of the same file read its `fields`. Null
    // at the cursor's end.
    std::shared_ptr<Message> queryPreparedMessage(MessageFields fields);
    // Moves the cursor back to the first message.
    void ResetQuery();
    // The contents table row the next queryMessage reads (0 before the
    // first); the message it returned last came from the row before.
    std::size_t queryRow() const;

    // Re-decodes the folder name with the session's code page, then does the
    // same for every subfolder. A folder made with an override name takes the
    // store's (re-decoded) name.
    void invalidateCodePage();

    const std::string& folderName() const { return m_folderName; }
    const std::string& fullFolderPath() const { return m_fullFolderPath; }
    std::shared_ptr<MAPIFolder> parentFolder() const { return m_parentFolder.lock(); }
    void setParentFolder(const std::shared_ptr<MAPIFolder>& parent) { m_parentFolder = parent; }
    std::shared_ptr<MessageStore> ownerStore() const { return m_ownerStore.lock(); }
    void setOwnerStore(const std::shared_ptr<MessageStore>& store) { m_ownerStore = store; }
    std::int32_t defaultItemType() const { return m_defaultItemType; }
    std::int64_t contentCount() const { return m_contentCount; }

    // The PST layer's folder, for readers that need more than the above.
    const pstread::folder& getFolder() const { return m_folderP; }

private:
    // The constructor is public for std::make_shared, but only the class can
    // make the key it takes.
    struct Private {
        explicit Private() = default;
    };

public:
    MAPIFolder(Private, const pstread::folder& folder,
               const std::shared_ptr<MessageStore>& ownerStore,
               const std::shared_ptr<MAPIFolder>& parentFolder, bool hasOverrideName);

private:
    // The owner store's session; std::logic_error when it is gone.
    std::shared_ptr<PSTSession> session() const;

    pstread::folder m_folderP;
    std::optional<pstread::message_iterator> m_currentMsgItrP;
    std::optional<pstread::message_iterator> m_endMsgItrP;
    std::int32_t m_defaultItemType = 0;
    std::int64_t m_contentCount = 0;
    bool m_hasOverrideName = false;
    std::string m_folderName;
    std::string m_fullFolderPath;
    std::weak_ptr<MessageStore> m_ownerStore;
    std::weak_ptr<MAPIFolder> m_parentFolder;
    std::optional<std::vector<std::shared_ptr<MAPIFolder>>> m_subFoldersArray;
};

// Joins a path and a component with one slash, as folder paths are built:
// an empty component leaves the path, an empty path gives the component.
std::string appendPathComponent(const std::string& path, const std::string& component);

}  // namespace mailwright::model
