// Every real sample file: its folder tree lists through the session model,
// and every message of every folder opens with its bodies, recipients and
// attachments, embedded messages included, recursively, without a failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "model/mapi_folder.h"
#include "model/message.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/user_defaults.h"
#include "pstread/ndb/hex.h"
#include "pstread/pst/property_ids.h"

namespace mailwright::model {
namespace {

namespace fs = std::filesystem;

// Bodies, recipients and attachments of a message or an embedded one; the
// number of messages opened.
std::size_t open_contents(const pstread::message& m, const std::string& where) {
    SCOPED_TRACE(where);
    std::size_t opened = 1;
    if (m.has_body()) {
        pstread::hnid_istream body(m.open_body_stream());
        const std::string text(std::istreambuf_iterator<char>(body), {});
        EXPECT_EQ(text.size(), body.device().size());
    }
    std::size_t recipients = 0;
    for (const pstread::recipient& r : m.recipients()) {
        ++recipients;
        if (r.has_smtp_address()) {
            (void)r.get_smtp_address();
        }
    }
    EXPECT_EQ(m.get_recipient_count(), recipients);
    for (const pstread::attachment& a : m.attachments()) {
        if (a.is_message()) {
            const pstread::message inner = a.open_as_message();
            opened += open_contents(inner, where + " / " + pstread::to_hex(inner.get_id()));
        } else if (a.get_property_bag().has_property(pstread::pid_tag_attach_data_binary)) {
            EXPECT_EQ(a.get_bytes().size(), a.open_byte_stream().size());
        }
    }
    return opened;
}

std::size_t open_folder(MAPIFolder& folder) {
    std::size_t opened = 0;
    folder.ResetQuery();
    for (std::size_t index = 0;; ++index) {
        try {
            const std::shared_ptr<Message> m = folder.queryMessage();
            if (!m) {
                break;
            }
            (void)m->sentOn();
            opened += open_contents(m->getMessage(),
                                    folder.fullFolderPath() + " #" + std::to_string(index));
        } catch (const std::exception& error) {
            ADD_FAILURE() << folder.fullFolderPath() << " #" << index << ": " << error.what();
        }
    }
    for (const auto& child : folder.getFolders()) {
        opened += open_folder(*child);
    }
    return opened;
}

TEST(Corpus, EveryFileListsAndEveryMessageOpens) {
    const fs::path folder(MW_CORPUS_DIR);
    if (!fs::is_directory(folder)) {
        GTEST_SKIP() << "no sample PST files in " << MW_CORPUS_DIR;
    }
    platform::InMemoryUserDefaults defaults({{kDefaultCodePageKey, std::int64_t{1252}}});
    std::size_t messages = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const auto extension = entry.path().extension();
        if (extension != ".pst" && extension != ".ost") {
            continue;
        }
        SCOPED_TRACE(entry.path().filename().string());
        try {
            const auto session = PSTSession::initWithFile(entry.path().string(), defaults);
            messages += open_folder(*session->getRootStore()->getSubTreeFolder());
        } catch (const std::exception& error) {
            ADD_FAILURE() << "cannot list: " << error.what();
        }
    }
    EXPECT_GT(messages, 0u);
}

}  // namespace
}  // namespace mailwright::model
