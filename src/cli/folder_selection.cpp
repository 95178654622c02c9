#include "cli/folder_selection.h"

#include "model/item_kinds.h"
#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "model/user_folders.h"

namespace mailwright::cli {
namespace {

class selector {
public:
    explicit selector(const folder_choice& choice)
        : m_choice(choice), m_paths(choice.paths.begin(), choice.paths.end()) {
        m_result.unmatched_paths = m_paths;
    }

    void walk(const std::shared_ptr<model::MAPIFolder>& folder, bool inherited) {
        const std::int32_t kind = folder->defaultItemType();
        if (kind == model::kFolderJournal || kind == model::kFolderNotes ||
            kind == model::kFolderTasks) {
            return;
        }
        const bool named = m_paths.contains(folder->fullFolderPath());
        if (named) {
            m_result.unmatched_paths.erase(folder->fullFolderPath());
        }
        const bool chosen = m_choice.paths.empty() || named || inherited;
        if (chosen && wanted(kind) && !(m_choice.ignore_empty && folder->contentCount() < 1)) {
            m_result.folders.push_back(folder);
        }
        const bool children_chosen = m_choice.paths.empty() || (m_choice.subfolders && chosen);
        for (const auto& child : model::userSubfolders(*folder, m_choice.all_folders)) {
            walk(child, children_chosen);
        }
    }

    folder_selection take() { return std::move(m_result); }

private:
    bool wanted(std::int32_t kind) const {
        switch (kind) {
            case model::kFolderContacts:
                return m_choice.contacts;
            case model::kFolderCalendar:
                return m_choice.calendar;
            default:
                return m_choice.mail;
        }
    }

    const folder_choice& m_choice;
    const std::set<std::string> m_paths;
    folder_selection m_result;
};

}  // namespace

folder_selection select_folders(const std::vector<std::shared_ptr<model::PSTSession>>& sessions,
                                const folder_choice& choice) {
    selector s(choice);
    for (const auto& session : sessions) {
        s.walk(session->getRootStore()->getSubTreeFolder(), false);
    }
    return s.take();
}

}  // namespace mailwright::cli
