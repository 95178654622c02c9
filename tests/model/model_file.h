// Sessions over builder mailboxes held in memory, for the session model
// tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/user_defaults.h"
#include "pstread/pst/mailbox_file.h"

namespace modeltest {

using mailwright::model::MAPIFolder;
using mailwright::model::PSTSession;
using mailwright::platform::InMemoryUserDefaults;

// The code page is given, as with --codepage: it holds whatever the file
// records.
inline std::shared_ptr<PSTSession> open_session(const psttest::BuiltMailbox& built,
                                                std::int64_t code_page = 1252) {
    return PSTSession::initWithDatabase(built.open(), "/home/ann/mail.pst",
                                        InMemoryUserDefaults({{"defaultCodePage", code_page}}),
                                        static_cast<std::int32_t>(code_page));
}

// The child of `parent` with this name; null when there is none.
inline std::shared_ptr<MAPIFolder> child(const std::shared_ptr<MAPIFolder>& parent,
                                         const std::string& name) {
    for (const auto& folder : parent->getFolders()) {
        if (folder->folderName() == name) {
            return folder;
        }
    }
    return nullptr;
}

// The root folder's child "Top of Personal Folders".
inline std::shared_ptr<MAPIFolder> top_folder(const std::shared_ptr<PSTSession>& session) {
    return child(session->getRootStore()->getSubTreeFolder(), "Top of Personal Folders");
}

}  // namespace modeltest
