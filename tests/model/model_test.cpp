// The session model over builder mailboxes held in memory: opening a
// session (path rules, the code page and its fallback), its folder tree
// (kinds, order, folders named twice, who keeps it alive), changing the code
// page of an ANSI file (names decoded anew, paths kept), and the list fields
// of a Message (kind, date, subject, sender, read state and size).
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "model/item_kinds.h"
#include "model/mapi_folder.h"
#include "model/message.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "model/sent_on_format.h"
#include "platform/system_log.h"
#include "platform/user_defaults.h"
#include "pstread/pst/mailbox_file.h"
#include "pstread/pst/property_ids.h"
#include "support/property_value.h"
#include "text/code_page_conversion.h"
#include "text/whole_value_conversion.h"

namespace mailwright::model {
namespace {

using psttest::build_file;

// The code page is given, as with --codepage: it holds whatever the file
// records.
std::shared_ptr<PSTSession> open_session(const psttest::BuiltMailbox& built,
                                         std::int64_t code_page = 1252) {
    return PSTSession::initWithDatabase(
        built.open(), "/home/ann/mail.pst",
        platform::InMemoryUserDefaults({{"defaultCodePage", code_page}}),
        static_cast<std::int32_t>(code_page));
}

// The child of `parent` with this name; null when there is none.
std::shared_ptr<MAPIFolder> child(const std::shared_ptr<MAPIFolder>& parent,
                                  const std::string& name) {
    for (const auto& folder : parent->getFolders()) {
        if (folder->folderName() == name) {
            return folder;
        }
    }
    return nullptr;
}

// The root folder's child "Top of Personal Folders".
std::shared_ptr<MAPIFolder> top_folder(const std::shared_ptr<PSTSession>& session) {
    return child(session->getRootStore()->getSubTreeFolder(), "Top of Personal Folders");
}

TEST(SessionOpen, RefusesPathsThatDoNotFitWholeAndReportsMissingFiles) {
    platform::InMemoryUserDefaults defaults;
    const std::string fitting = "/nonexistent/" + std::string(kMaxPathBytes - 1 - 13, 'p');
    const std::pair<std::string, std::string> cases[] = {
        {fitting, "No such file or directory"},
        {fitting + "p",
         "cannot open PST file: its path has 2024 bytes, more than the 2023 a path may have"},
    };
    for (const auto& [path, message] : cases) {
        try {
            PSTSession::initWithFile(path, defaults);
            ADD_FAILURE() << message;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
    EXPECT_THROW(PSTSession::initWithFile(std::string("/tmp/a\0b.pst", 12), defaults),
                 std::runtime_error);
}

TEST(SessionOpen, CodePagesThatDecodeNothingFallBackAndTheSettingIsCutTo32Bits) {
    const auto built = build_file(pstbuild::standard_mailbox("Café"), psttest::Variant::ansi);
    struct Case {
        std::optional<std::int64_t> setting;
        std::int32_t code_page;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {std::nullopt, 0, {}},
        {12345, 12345, {"MAILWRIGHT - UNKNOWN CHARSET 12345"}},
        {(std::int64_t{1} << 32) + 1252, 1252, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code_page);
        platform::InMemoryUserDefaults defaults;
        if (c.setting) {
            defaults.setInteger(kDefaultCodePageKey, *c.setting);
        }
        platform::ScopedLogCapture log;
        const auto session = PSTSession::initWithDatabase(built.open(), "x.pst", defaults);
        EXPECT_EQ(session->pstDefaultCodePage(), c.code_page);
        EXPECT_EQ(session->decodingCharset()->codePage, 1252u);
        EXPECT_EQ(session->getRootStore()->storeName(), "Café");
        EXPECT_EQ(log.lines(), c.log);
    }
}

std::vector<std::string> names(const std::vector<std::shared_ptr<MAPIFolder>>& folders) {
    std::vector<std::string> out;
    for (const auto& f : folders) {
        out.push_back(f->folderName());
    }
    return out;
}

TEST(FolderTree, ChildrenInHierarchyOrderWithoutSearchFoldersAndKindsFromDottedClasses) {
    const std::tuple<const char*, const char*, std::int32_t> cases[] = {
        {"Zulu", "IPF.Appointment.Birthday", kFolderCalendar},
        {"Alpha", "IPF.Contact.RecipientCache", kFolderContacts},
        {"Mike", "IPF.Tasks", kFolderMail},
        {"Echo", "ipf.task", kFolderMail},
        {"Bravo", "IPF.Contact ", kFolderMail},
    };
    pstbuild::Mailbox box = pstbuild::standard_mailbox();
    for (const auto& [name, container_class, kind] : cases) {
        box.top().add_folder(name, container_class);
    }
    box.top().add_folder("Searching", "").search_folder = true;
    box.root.container_class = "IPF.Task";
    const auto session = open_session(build_file(box));
    EXPECT_EQ(session->getRootStore()->getSubTreeFolder()->defaultItemType(), kFolderTasks);
    const auto top = top_folder(session);
    EXPECT_EQ(names(top->getFolders()), (std::vector<std::string>{"Deleted Items", "Zulu", "Alpha",
                                                                  "Mike", "Echo", "Bravo"}));
    for (const auto& [name, container_class, kind] : cases) {
        EXPECT_EQ(child(top, name)->defaultItemType(), kind) << container_class;
    }
}

TEST(FolderTree, AFolderNamedByTwoHierarchyRowsOrByAnAncestorAppearsOnce) {
    auto make = [](std::vector<std::uint32_t> rows) {
        pstbuild::Mailbox box = pstbuild::standard_mailbox();
        pstbuild::Folder& a = box.top().add_folder("A");
        a.add_folder("Shared");
        a.add_folder("Loop").extra_hierarchy_rows = rows;
        box.top().add_folder("B").extra_hierarchy_rows = rows;
        return box;
    };
    const auto first = build_file(make({}));
    const std::uint32_t shared = first.folder_nid("Top of Personal Folders/A/Shared");
    const std::uint32_t a = first.folder_nid("Top of Personal Folders/A");
    const auto built = build_file(make({shared, a}));

    platform::ScopedLogCapture log;
    const auto session = open_session(built);
    const auto top = top_folder(session);
    const auto fa = child(top, "A");
    EXPECT_EQ(names(fa->getFolders()), (std::vector<std::string>{"Shared", "Loop"}));
    // A's "Loop" names "Shared" (already placed) and A (its parent).
    EXPECT_TRUE(child(fa, "Loop")->getFolders().empty());
    // B names both, already placed.
    EXPECT_TRUE(child(top, "B")->getFolders().empty());
    // The ancestor row is not even offered by the PST layer; the three
    // others are skipped with a log line each.
    EXPECT_EQ(log.lines().size(), 3u);
}

TEST(Ownership, MessagesKeepTheSessionAliveFoldersDoNot) {
    pstbuild::Mailbox box = psttest::two_folder_mailbox();
    box.top().children[1].messages = {psttest::mail("kept")};
    auto session = open_session(build_file(box));
    const std::weak_ptr<PSTSession> watch = session;
    const auto inbox = child(top_folder(session), "Inbox");
    auto message = inbox->queryMessage();
    session.reset();
    ASSERT_FALSE(watch.expired());
    EXPECT_EQ(message->ownerSession(), watch.lock());
    EXPECT_EQ(message->getMessage().get_subject(), u"kept");
    inbox->ResetQuery();
    EXPECT_NE(inbox->queryMessage(), nullptr);

    message.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(inbox->ownerStore(), nullptr);
    EXPECT_THROW(inbox->queryMessage(), std::logic_error);
    EXPECT_EQ(inbox->folderName(), "Inbox");
}

struct Language {
    unsigned code_page;
    std::string store;
    std::string top;
    std::string inbox;
    std::string nested;
    std::string subject;
};

const Language kLanguages[] = {
    {1251, "Личные папки", "Начало личных папок", "Входящие", "Важное", "Привет, мир"},
    {932, "個人用フォルダー", "個人用フォルダーの先頭", "受信トレイ", "重要", "こんにちは"},
};

// What the bytes of `utf8` in `code_page` read as when decoded as 1252.
std::string misread(const std::string& utf8, unsigned code_page) {
    const std::string bytes = text::utf8_to_code_page(utf8, *text::GetCodePageInfo(code_page));
    return text::bytes_to_utf8string(bytes, text::GetCodePageInfo(1252));
}

class CodePageChange : public ::testing::TestWithParam<Language> {};

TEST_P(CodePageChange, RedecodesNamesAndKeepsPaths) {
    const Language& lang = GetParam();
    pstbuild::Mailbox box;
    box.display_name = lang.store;
    box.code_page = lang.code_page;
    pstbuild::Folder& top = box.root.add_folder(lang.top, "");
    top.role = pstbuild::FolderRole::ipm_subtree;
    pstbuild::Folder& inbox = top.add_folder(lang.inbox);
    inbox.add_folder(lang.nested);
    inbox.messages = {psttest::mail(lang.subject)};
    const auto session = open_session(build_file(box, psttest::Variant::ansi), 1252);

    // Opened as Western European: every name is misread.
    const auto store = session->getRootStore();
    const auto root = store->getSubTreeFolder();
    const std::string misread_store = misread(lang.store, lang.code_page);
    const std::string misread_top = misread(lang.top, lang.code_page);
    const std::string misread_inbox = misread(lang.inbox, lang.code_page);
    ASSERT_NE(misread_store, lang.store);
    const auto f_top = child(root, misread_top);
    ASSERT_NE(f_top, nullptr);
    const auto f_inbox = child(f_top, misread_inbox);
    ASSERT_NE(f_inbox, nullptr);
    const std::string old_path = misread_store + "/" + misread_top + "/" + misread_inbox;
    const auto old_message = f_inbox->queryMessage();

    session->setPstDefaultCodePage(static_cast<std::int32_t>(lang.code_page));

    EXPECT_EQ(store->storeName(), lang.store);
    EXPECT_EQ(root->folderName(), lang.store);
    EXPECT_EQ(f_inbox->folderName(), lang.inbox);
    // Paths keep the names they were made from.
    EXPECT_EQ(root->fullFolderPath(), misread_store);
    EXPECT_EQ(f_inbox->fullFolderPath(), old_path);
    // The nested folder was first built by the change, from the kept path.
    const auto nested = child(f_inbox, lang.nested);
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(nested->fullFolderPath(), old_path + "/" + lang.nested);
    // Messages made before keep their strings; new ones use the new code page.
    EXPECT_EQ(old_message->subject(), misread(lang.subject, lang.code_page));
    f_inbox->ResetQuery();
    EXPECT_EQ(f_inbox->queryMessage()->subject(), lang.subject);
}

INSTANTIATE_TEST_SUITE_P(AnsiFiles, CodePageChange, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) {
                             return "cp" + std::to_string(info.param.code_page);
                         });

TEST(CodePageChangeAgain, TheSameCodePageStillBuildsTheTreeAndAnUnnamedRootKeepsTheStoreName) {
    pstbuild::Mailbox box = psttest::two_folder_mailbox("Named store");
    box.top().children[1].add_folder("Deep").add_folder("Deeper");
    box.root.omit = {0x3001};
    const auto built = build_file(box, psttest::Variant::ansi);
    const auto session = open_session(built, 1252);
    const std::uint32_t deeper = built.folder_nid("Top of Personal Folders/Inbox/Deep/Deeper");
    EXPECT_FALSE(session->isFolderPlaced(deeper));
    session->setPstDefaultCodePage(1252);
    EXPECT_TRUE(session->isFolderPlaced(deeper));
    EXPECT_EQ(session->getRootStore()->getSubTreeFolder()->folderName(), "Named store");
}

// 2009-01-05 15:04:05 UTC, a Monday.
constexpr std::int64_t kMonday = 1231167845;
constexpr std::int64_t kTuesday = kMonday + 86400 + 3600;

// The Inbox messages, made in GMT.
std::vector<std::shared_ptr<Message>> read_inbox(
    std::vector<pstbuild::Message> messages, psttest::Variant variant = psttest::Variant::unicode) {
    pstbuild::Mailbox box = psttest::two_folder_mailbox();
    box.top().children[1].messages = std::move(messages);
    const auto session = open_session(build_file(box, variant));
    const auto inbox = child(top_folder(session), "Inbox");
    std::vector<std::shared_ptr<Message>> out;
    for (pstread::message m : inbox->getFolder().messages()) {
        out.push_back(Message::initWithMessage(m, session, text::DateTimeZone::gmt()));
    }
    return out;
}

TEST(MessageFields, KindIsTheFirstMatchingPrefixOfTheClass) {
    const std::pair<std::optional<std::string>, std::int32_t> cases[] = {
        {"IPM.Note.SMIME.MultipartSigned", kMessageNote},
        {"IPM.Contact", kMessageContact},
        {"IPM.DistList", kMessageDistList},
        {"IPM.TaskRequest", kMessageTask},
        {"IPM.StickyNote", kMessageStickyNote},
        {"IPM.Schedule.Meeting.Request", kMessageNote},
        {"IPM.Microsoft.ScheduleData.FreeBusy", kMessageFreeBusy},
        {"ipm.contact", kMessageNote},
        {std::nullopt, kMessageNote},
    };
    std::vector<pstbuild::Message> messages;
    for (const auto& [message_class, kind] : cases) {
        pstbuild::Message m = psttest::mail("m");
        if (message_class) {
            m.message_class = *message_class;
        } else {
            m.omit.push_back(pstread::pid_tag_message_class);
        }
        messages.push_back(m);
    }
    const auto read = read_inbox(messages);
    ASSERT_EQ(read.size(), std::size(cases));
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i]->messageClass(), cases[i].second) << i;
    }
}

TEST(MessageFields, SentOnIsTheSubmitElseTheDeliveryTimeOfMailAndAppointments) {
    struct Case {
        const char* message_class;
        std::int64_t submit;    // 0: none
        std::int64_t delivery;  // 0: none
        bool delivery_as_apptime;
        std::string sent_on;
    };
    const Case cases[] = {
        {"IPM.Note", kMonday, kTuesday, false, "Monday, 05 Jan 2009 03:04:05 PM"},
        {"IPM.Note", 0, kTuesday, true, "Tuesday, 06 Jan 2009 04:04:05 PM"},
        {"IPM.Schedule.Meeting.Request", kMonday, 0, false, "Monday, 05 Jan 2009 03:04:05 PM"},
        {"IPM.Note", 0, 0, false, ""},
        {"IPM.Contact", kMonday, kTuesday, false, ""},
        {"IPM.Task", 0, kTuesday, false, ""},
    };
    std::vector<pstbuild::Message> messages;
    for (const Case& c : cases) {
        pstbuild::Message m = psttest::mail("dated");
        m.message_class = c.message_class;
        m.submit_time = c.submit ? pstbuild::filetime_from_unix(c.submit) : 0;
        m.delivery_time = c.delivery ? pstbuild::filetime_from_unix(c.delivery) : 0;
        m.delivery_time_as_apptime = c.delivery_as_apptime;
        messages.push_back(m);
    }
    // An OLE date that is no time leaves the date empty.
    pstbuild::Message odd = psttest::mail("odd date");
    odd.extra.push_back(pstbuild::ExtraProperty::of(pstread::pid_tag_message_delivery_time,
                                                    pstbuild::pv_apptime(1e300)));
    messages.push_back(odd);
    const auto read = read_inbox(messages);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(read[i]->sentOn(), cases[i].sent_on) << i;
    }
    EXPECT_EQ(read.back()->sentOn(), "");
    const auto new_york = text::DateTimeZone::from_id("America/New_York");
    EXPECT_EQ(formatSentOn(kMonday, *new_york), "Monday, 05 Jan 2009 10:04:05 AM");
    EXPECT_EQ(formatSentOn(kMonday - 15 * 3600, text::DateTimeZone::gmt()),
              "Monday, 05 Jan 2009 12:04:05 AM");
}

TEST(MessageFields, SubjectSenderReadStateAndSize) {
    pstbuild::Message plain = psttest::mail("Hello");
    plain.read = false;
    plain.subject_prefix = "Re: ";
    plain.extra.push_back(
        pstbuild::ExtraProperty::of(pstread::pid_tag_message_size, pstbuild::pv_long(-1)));
    pstbuild::Message bare;
    bare.sender = {};
    bare.omit = {pstread::pid_tag_subject, pstread::pid_tag_sender_name,
                 pstread::pid_tag_message_flags, pstread::pid_tag_message_size};
    const auto read = read_inbox({plain, bare}, psttest::Variant::ansi);
    EXPECT_EQ(read[0]->subject(), "Re: Hello");
    EXPECT_EQ(read[0]->senderName(), "Ann Example");
    EXPECT_FALSE(read[0]->isRead());
    EXPECT_EQ(read[0]->messageSize(), 0xFFFFFFFFu);
    // Nothing to read: the starting values, and a size of 0.
    EXPECT_EQ(read[1]->subject(), "");
    EXPECT_EQ(read[1]->senderName(), "");
    EXPECT_TRUE(read[1]->isRead());
    EXPECT_EQ(read[1]->messageSize(), 0u);
}

}  // namespace
}  // namespace mailwright::model
