#include "model/pst_session.h"

#include <stdexcept>
#include <string>

#include "model/message_store.h"
#include "platform/system_log.h"
#include "pstread/pst/property_ids.h"

namespace mailwright::model {
namespace {

// The path goes to the file system whole or not at all.
void checkPath(const std::string& path) {
    if (path.find('\0') != std::string::npos) {
        throw std::runtime_error("cannot open PST file: its path holds a zero byte");
    }
    if (path.size() >= kMaxPathBytes) {
        throw std::runtime_error("cannot open PST file: its path has " +
                                 std::to_string(path.size()) + " bytes, more than the " +
                                 std::to_string(kMaxPathBytes - 1) + " a path may have");
    }
}

}  // namespace

const text::TextEncodingItem* decodingCharsetFor(std::int32_t codePage) {
    const text::TextEncodingItem* row = text::GetCodePageInfo(static_cast<std::uint32_t>(codePage));
    if (row != nullptr && row->available) {
        return row;
    }
    if (row != nullptr) {
        platform::log_format("MAILWRIGHT - NO CONVERTER FOR CHARSET %i", codePage);
    }
    return text::GetCodePageInfo(kFallbackCodePage);
}

std::shared_ptr<PSTSession> PSTSession::initWithFile(const std::string& path,
                                                     const platform::UserDefaults& defaults,
                                                     std::optional<std::int32_t> givenCodePage) {
    checkPath(path);
    return initWithDatabase(pstread::open_database(path), path, defaults, givenCodePage);
}

std::shared_ptr<PSTSession> PSTSession::initWithDatabase(
    pstread::shared_db_ptr db, const std::string& path, const platform::UserDefaults& defaults,
    std::optional<std::int32_t> givenCodePage) {
    CodePageChoice choice{0, CodePageSource::given};
    if (givenCodePage) {
        choice.codePage = *givenCodePage;
    } else {
        // The setting is a 64-bit integer; a code page is its low 32 bits.
        choice = {static_cast<std::int32_t>(defaults.integerForKey(kDefaultCodePageKey)),
                  CodePageSource::fallback};
    }
    auto session = std::make_shared<PSTSession>(Private{}, std::move(db), path, choice);
    if (!givenCodePage && !session->isUnicodePST()) {
        // What the file itself says beats a setting made for all files.
        if (const auto recorded = FileRecordedCodePage(session->pstSession())) {
            session->m_codePageChoice = {*recorded, CodePageSource::recorded};
            session->m_decodingCharset = decodingCharsetFor(*recorded);
        }
    }
    // The store's properties are opened now, so a file without a store fails
    // to open.
    session->pstSession().get_property_bag().set_charset(session->decodingCharset());
    return session;
}

PSTSession::PSTSession(Private, pstread::shared_db_ptr db, std::string path,
                       CodePageChoice codePage)
    : m_pstFilePath(std::move(path)),
      m_pstSession(std::make_unique<pstread::pst>(std::move(db))),
      m_isUnicodePST(m_pstSession->get_format_version() > 19),
      m_codePageChoice(codePage),
      m_decodingCharset(decodingCharsetFor(codePage.codePage)) {}

void PSTSession::setPstDefaultCodePage(std::int32_t codePage) {
    m_codePageChoice = {codePage, CodePageSource::given};
    m_decodingCharset = decodingCharsetFor(codePage);
    invalidateCodePage();
}

std::shared_ptr<MessageStore> PSTSession::getRootStore() {
    if (!m_rootStore) {
        auto store = MessageStore::initWithFolder(m_pstSession->open_root_folder());
        store->setStoreName(readStoreName());
        store->setOwnerSession(shared_from_this());
        m_rootStore = std::move(store);
    }
    return m_rootStore;
}

void PSTSession::invalidateCodePage() {
    m_pstSession->get_property_bag().set_charset(m_decodingCharset);
    const auto store = getRootStore();
    // The store name first: the root folder is named after it.
    store->setStoreName(readStoreName());
    store->invalidateCodePage();
}

std::string PSTSession::readStoreName() {
    return m_pstSession->get_property_bag().read_utf8string(pstread::pid_tag_display_name);
}

}  // namespace mailwright::model
