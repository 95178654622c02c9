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
        std::vector<std::shared_ptr<model::MAPIFolder>> children;
        try {
            children = model::userSubfolders(*folder, m_choice.all_folders);
        } catch (const std::exception& error) {
            // The folders read so far are kept; the file is named with the
            // place it broke off.
            m_broken.push_back("the subfolders of \"" + folder->fullFolderPath() +
                               "\" could not be read: " + error.what());
            return;
        }
        for (const auto& child : children) {
            try {
                walk(child, children_chosen);
            } catch (const std::exception& error) {
                m_broken.push_back("a subfolder of \"" + folder->fullFolderPath() +
                                   "\" could not be read: " + error.what());
            }
        }
    }

    // Walks one file's tree; a fault below its top is recorded.
    void walk_file(model::PSTSession& session) {
        m_broken.clear();
        try {
            walk(session.getRootStore()->getSubTreeFolder(), false);
        } catch (const std::exception& error) {
            m_broken.push_back(std::string("its folders could not be read: ") + error.what());
        }
        for (std::string& reason : m_broken) {
            m_result.broken_trees.push_back({session.pstFilePath(), std::move(reason)});
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
    std::vector<std::string> m_broken;  // of the file being walked
};

}  // namespace

folder_selection select_folders(const std::vector<std::shared_ptr<model::PSTSession>>& sessions,
                                const folder_choice& choice) {
    selector s(choice);
    for (const auto& session : sessions) {
        s.walk_file(*session);
    }
    return s.take();
}

}  // namespace mailwright::cli
