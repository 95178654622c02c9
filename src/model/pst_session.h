// The session model's face of one opened PST file: its path, whether it is a
// Unicode file, the code page that decodes its 8-bit text, and its message
// store. The user interface and the export engine reach a PST file only
// through a session and the objects below it (MessageStore, MAPIFolder,
// Message).
//
//   auto session = PSTSession::initWithFile("/home/ann/mail.pst");
//   auto root = session->getRootStore()->getSubTreeFolder();
//   for (const auto& child : root->getFolders()) ...
//   session->setPstDefaultCodePage(1251);  // names are decoded anew
//
// Ownership: the session owns its store, the store its root folder, a folder
// its children; stores and folders point back to their owners without
// keeping them alive (using a folder after its session is gone is refused
// with std::logic_error). A Message keeps its session alive. A session and
// everything below it is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

#include "model/item_code_page.h"
#include "model/recorded_code_page.h"
#include "platform/standard_user_defaults.h"
#include "platform/user_defaults.h"
#include "pstread/ndb/database.h"
#include "pstread/pst/pst.h"
#include "text/code_page_table.h"

namespace mailwright::model {

class MessageStore;

// The path buffer a file is opened through holds this many bytes with its
// terminating zero; a longer path is refused, never cut.
constexpr std::size_t kMaxPathBytes = 2024;

// The code page that decodes 8-bit text when the session's code page is 0,
// unknown or has no converter: the shipped "defaultCodePage" default.
constexpr std::int32_t kFallbackCodePage = 1252;

// The user default that gives a new session its code page.
inline constexpr const char* kDefaultCodePageKey = "defaultCodePage";

class PSTSession : public std::enable_shared_from_this<PSTSession> {
public:
    // Opens the file read-only. The storage layer's failures propagate
    // (std::runtime_error with the system's text, database_corrupt "not a
    // PST file (bad signature)", crc_fail, ...); a path of kMaxPathBytes bytes or more, or one
    // holding a zero byte, fails with std::runtime_error before anything is opened. A file without
    // a message store node fails with key_not_found<node_id>.
    //
    // The code page: `givenCodePage` when the user gave one; else, for an
    // ANSI file, the one the file records (FileRecordedCodePage); else the
    // user default "defaultCodePage".
    static std::shared_ptr<PSTSession> initWithFile(
        const std::string& path,
        const platform::UserDefaults& defaults = platform::standardUserDefaults(),
        std::optional<std::int32_t> givenCodePage = std::nullopt);
    // The same over a database already open (a file held in memory); `path`
    // is only recorded.
    static std::shared_ptr<PSTSession> initWithDatabase(
        pstread::shared_db_ptr db, const std::string& path,
        const platform::UserDefaults& defaults = platform::standardUserDefaults(),
        std::optional<std::int32_t> givenCodePage = std::nullopt);

    PSTSession(const PSTSession&) = delete;
    PSTSession& operator=(const PSTSession&) = delete;

    const std::string& pstFilePath() const { return m_pstFilePath; }
    pstread::pst& pstSession() { return *m_pstSession; }
    bool isUnicodePST() const { return m_isUnicodePST; }

    // The Windows code page of this file's 8-bit text, chosen when the file
    // was opened (see initWithFile) or set since.
    std::int32_t pstDefaultCodePage() const { return m_codePageChoice.codePage; }
    // The code page and where it came from.
    const CodePageChoice& codePageChoice() const { return m_codePageChoice; }
    // Sets the code page as given by the user and re-decodes the store name
    // and every folder name (invalidateCodePage), also when the value does
    // not change.
    void setPstDefaultCodePage(std::int32_t codePage);

    // The store, made on the first call; the same object afterwards.
    std::shared_ptr<MessageStore> getRootStore();
    // Applies the current code page to the store and everything below it.
    void invalidateCodePage();

    // The row that decodes 8-bit strings: the code page's row, or the
    // kFallbackCodePage row when the code page is 0, unknown (logged as
    // "MAILWRIGHT - UNKNOWN CHARSET %i") or cannot be converted.
    const text::TextEncodingItem* decodingCharset() const { return m_decodingCharset; }
    // How messages and other items are decoded: with the code page they
    // record, unless the code page was given, else with decodingCharset.
    ItemCodePages itemCodePages() const {
        return ItemCodePagesFor(m_decodingCharset, m_codePageChoice);
    }

private:
    // The constructor is public for std::make_shared, but only the class can
    // make the key it takes.
    struct Private {
        explicit Private() = default;
    };

public:
    PSTSession(Private, pstread::shared_db_ptr db, std::string path, CodePageChoice codePage);

    // Whether a folder node is placed in the model's folder tree already,
    // and recording that it is: a folder that several hierarchy rows name
    // appears once.
    bool isFolderPlaced(pstread::node_id id) const { return m_placedFolders.contains(id); }
    void placeFolder(pstread::node_id id) { m_placedFolders.insert(id); }

private:
    std::string readStoreName();

    std::string m_pstFilePath;
    std::unique_ptr<pstread::pst> m_pstSession;
    bool m_isUnicodePST = false;
    CodePageChoice m_codePageChoice;
    const text::TextEncodingItem* m_decodingCharset = nullptr;
    std::shared_ptr<MessageStore> m_rootStore;
    std::unordered_set<pstread::node_id> m_placedFolders;
};

// The decoding row for a code page number, as decodingCharset describes.
const text::TextEncodingItem* decodingCharsetFor(std::int32_t codePage);

}  // namespace mailwright::model
