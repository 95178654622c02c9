// Every real sample file: its folder tree lists through the session model,
// and every message of every folder opens with all its list fields, its
// recipients and its attachments, embedded messages included, recursively.
// The listing and the counts of each file are printed for review.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "model/item_kinds.h"
#include "model/mapi_folder.h"
#include "model/message.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/user_defaults.h"
#include "pstread/ndb/hex.h"
#include "pstread/pst/property_ids.h"
#include "text/whole_value_conversion.h"

namespace mailwright::model {
namespace {

namespace fs = std::filesystem;

// The first messages of each folder are shown in the listing.
constexpr std::size_t kMessagesShownPerFolder = 2;

struct Counts {
    std::size_t folders = 0;
    std::size_t messages = 0;
    std::size_t unread = 0;
    std::size_t withBody = 0;
    std::size_t recipients = 0;
    std::size_t attachments = 0;
    std::size_t embedded = 0;
    std::size_t countMismatches = 0;  // folders whose content count differs from their rows
};

class CorpusWalk {
public:
    explicit CorpusWalk(std::ostream& listing) : m_listing(listing) {}

    void folder(MAPIFolder& f, std::size_t depth) {
        ++m_counts.folders;
        std::size_t walked = 0;
        std::vector<std::string> shown;
        f.ResetQuery();
        for (;;) {
            std::shared_ptr<Message> m;
            try {
                m = f.queryMessage();
            } catch (const std::exception& error) {
                ADD_FAILURE() << "message " << walked << " of " << f.fullFolderPath() << ": "
                              << error.what();
                ++walked;
                continue;
            }
            if (!m) {
                break;
            }
            ++walked;
            message(*m);
            if (walked <= kMessagesShownPerFolder) {
                shown.push_back(std::string(2 * depth + 4, ' ') + "\"" + m->subject() +
                                "\" from \"" + m->senderName() + "\" on \"" + m->sentOn() + "\", " +
                                (m->isRead() ? "read" : "unread") + ", " +
                                std::to_string(m->messageSize()) + " bytes\n");
            }
        }
        if (static_cast<std::int64_t>(walked) != f.contentCount()) {
            ++m_counts.countMismatches;
        }
        m_listing << std::string(2 * depth, ' ') << f.folderName() << " [" << f.contentCount()
                  << "] kind " << f.defaultItemType() << ", " << walked << " read\n";
        for (const std::string& line : shown) {
            m_listing << line;
        }
        for (const auto& child : f.getFolders()) {
            folder(*child, depth + 1);
        }
    }

    void message(Message& m) {
        ++m_counts.messages;
        // The list fields were read when the Message was made; touch them.
        const std::size_t fields = m.subject().size() + m.senderName().size() + m.sentOn().size();
        (void)fields;
        m_counts.unread += m.isRead() ? 0 : 1;
        (void)m.messageSize();
        contents(m.getMessage(), "message " + pstread::to_hex(m.getMessage().get_id()));
    }

    // Bodies, recipients and attachments of a message or an embedded one.
    void contents(const pstread::message& m, const std::string& where) {
        SCOPED_TRACE(where);
        try {
            if (m.has_subject()) {
                (void)m.get_subject();
            }
            if (m.has_body()) {
                ++m_counts.withBody;
                pstread::hnid_istream body(m.open_body_stream());
                std::string text(std::istreambuf_iterator<char>(body), {});
                EXPECT_EQ(text.size(), body.device().size());
            }
            if (m.has_html_body()) {
                (void)m.open_html_body_stream().size();
            }
            for (const pstread::recipient& r : m.recipients()) {
                ++m_counts.recipients;
                const auto& row = r.get_property_row();
                if (row.has_property(pstread::pid_tag_display_name)) {
                    (void)r.get_name();
                }
                if (row.has_property(pstread::pid_tag_address_type)) {
                    (void)r.get_address_type();
                }
                if (r.has_smtp_address()) {
                    (void)r.get_smtp_address();
                }
                if (row.has_property(pstread::pid_tag_recipient_type)) {
                    (void)r.get_type();
                }
            }
            EXPECT_EQ(m.get_recipient_count(), static_cast<std::size_t>(std::distance(
                                                   m.recipient_begin(), m.recipient_end())));
            for (const pstread::attachment& a : m.attachments()) {
                ++m_counts.attachments;
                if (a.is_message()) {
                    ++m_counts.embedded;
                    pstread::message inner = a.open_as_message();
                    contents(inner, where + " / embedded " + pstread::to_hex(inner.get_id()));
                } else if (a.get_property_bag().has_property(pstread::pid_tag_attach_data_binary)) {
                    EXPECT_EQ(a.get_bytes().size(), a.open_byte_stream().size());
                }
            }
        } catch (const std::exception& error) {
            ADD_FAILURE() << where << ": " << error.what();
        }
    }

    const Counts& counts() const { return m_counts; }

private:
    std::ostream& m_listing;
    Counts m_counts;
};

std::vector<fs::path> corpus_files() {
    std::vector<fs::path> files;
    const fs::path folder(MW_CORPUS_DIR);
    if (!fs::is_directory(folder)) {
        return files;
    }
    for (const auto& entry : fs::directory_iterator(folder)) {
        const auto extension = entry.path().extension();
        if (extension == ".pst" || extension == ".ost") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(Corpus, EveryFileListsAndEveryMessageOpens) {
    const auto files = corpus_files();
    if (files.empty()) {
        GTEST_SKIP() << "no sample PST files in " << MW_CORPUS_DIR;
    }
    platform::InMemoryUserDefaults defaults({{kDefaultCodePageKey, std::int64_t{1252}}});
    Counts total;
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        std::ostringstream listing;
        CorpusWalk walk(listing);
        try {
            const auto session = PSTSession::initWithFile(path.string(), defaults);
            const auto store = session->getRootStore();
            listing << path.filename().string() << " ("
                    << (session->isUnicodePST() ? "unicode" : "ansi") << "), store \""
                    << store->storeName() << "\"\n";
            walk.folder(*store->getSubTreeFolder(), 1);
        } catch (const std::exception& error) {
            ADD_FAILURE() << "cannot list: " << error.what();
            continue;
        }
        const Counts& c = walk.counts();
        std::cout << listing.str() << "  => " << c.folders << " folders, " << c.messages
                  << " messages (" << c.unread << " unread, " << c.withBody << " with body), "
                  << c.recipients << " recipients, " << c.attachments << " attachments ("
                  << c.embedded << " embedded messages); " << c.countMismatches
                  << " folders whose content count differs from their rows\n\n";
        total.folders += c.folders;
        total.messages += c.messages;
        total.recipients += c.recipients;
        total.attachments += c.attachments;
        total.embedded += c.embedded;
    }
    std::cout << "all files: " << files.size() << " files, " << total.folders << " folders, "
              << total.messages << " messages, " << total.recipients << " recipients, "
              << total.attachments << " attachments (" << total.embedded << " embedded)\n";
    EXPECT_GT(total.messages, 0u);
}

}  // namespace
}  // namespace mailwright::model
