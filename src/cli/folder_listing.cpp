#include "cli/folder_listing.h"

#include <exception>

#include "model/item_kinds.h"
#include "model/mapi_folder.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "model/user_folders.h"
#include "pstread/ndb/exceptions.h"
#include "pstread/ndb/hex.h"

namespace mailwright::cli {
namespace {

listed_folder list_folder(model::MAPIFolder& folder, bool all_folders) {
    listed_folder listed;
    listed.name = folder.folderName();
    listed.path = folder.fullFolderPath();
    listed.kind = folder.defaultItemType();
    listed.count = folder.contentCount();
    for (const auto& child : model::userSubfolders(folder, all_folders)) {
        listed.children.push_back(list_folder(*child, all_folders));
    }
    return listed;
}

}  // namespace

const char* folder_kind_name(std::int32_t kind) {
    switch (kind) {
        case model::kFolderCalendar:
            return "calendar";
        case model::kFolderContacts:
            return "contacts";
        case model::kFolderJournal:
            return "journal";
        case model::kFolderNotes:
            return "notes";
        case model::kFolderTasks:
            return "tasks";
        default:
            return "mail";
    }
}

listed_file list_file(const std::string& path, const platform::UserDefaults& defaults,
                      bool all_folders, std::optional<std::int32_t> given) {
    listed_file listed;
    listed.path = path;
    try {
        const auto session = model::PSTSession::initWithFile(path, defaults, given);
        listed.unicode = session->isUnicodePST();
        if (!listed.unicode) {
            listed.code_page = session->decodingCharset();
            listed.code_page_source = session->codePageChoice().source;
        }
        const auto store = session->getRootStore();
        listed.store = store->storeName();
        listed.root = list_folder(*store->getSubTreeFolder(), all_folders);
    } catch (...) {
        listed.error = describe_current_exception();
    }
    return listed;
}

std::string describe_current_exception() {
    try {
        throw;
    } catch (const pstread::key_not_found<std::uint16_t>& missing) {
        return std::string(missing.what()) + ": property " + pstread::to_hex(missing.which());
    } catch (const pstread::key_not_found<std::uint32_t>& missing) {
        return std::string(missing.what()) + ": node " + pstread::to_hex(missing.which());
    } catch (const pstread::key_not_found<std::uint64_t>& missing) {
        return std::string(missing.what()) + ": block " + pstread::to_hex(missing.which());
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "unknown error";
    }
}

}  // namespace mailwright::cli
