// The message store of a session: its display name and the root of its
// folder tree.
#pragma once

#include <memory>
#include <string>

#include "pstread/pst/folder.h"

namespace mailwright::model {

class MAPIFolder;
class PSTSession;

class MessageStore : public std::enable_shared_from_this<MessageStore> {
public:
    // Takes the PST layer's root folder (node 0x122).
    static std::shared_ptr<MessageStore> initWithFolder(pstread::folder rootFolder);

    MessageStore(const MessageStore&) = delete;
    MessageStore& operator=(const MessageStore&) = delete;

    // The root MAPIFolder, named after the store; made on the first call.
    std::shared_ptr<MAPIFolder> getSubTreeFolder();
    // Applies the session's code page to the folder tree.
    void invalidateCodePage();

    const std::string& storeName() const { return m_storeName; }
    void setStoreName(std::string name) { m_storeName = std::move(name); }
    std::shared_ptr<PSTSession> ownerSession() const { return m_ownerSession.lock(); }
    void setOwnerSession(const std::shared_ptr<PSTSession>& session) { m_ownerSession = session; }

    const pstread::folder& rootFolder() const { return m_rootFolderP; }

private:
    // The constructor is public for std::make_shared, but only the class can
    // make the key it takes.
    struct Private {
        explicit Private() = default;
    };

public:
    MessageStore(Private, pstread::folder rootFolder) : m_rootFolderP(std::move(rootFolder)) {}

private:
    pstread::folder m_rootFolderP;
    std::string m_storeName;
    std::weak_ptr<PSTSession> m_ownerSession;
    std::shared_ptr<MAPIFolder> m_rootMAPIFolder;
};

}  // namespace mailwright::model
