// Opening a session: the path rules, the code page from the user defaults (with the fallback for
// code pages that decode nothing), the store, the root folder and folder paths and kinds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "model/item_kinds.h"
#include "model/model_file.h"
#include "platform/system_log.h"

namespace mailwright::model {
namespace {

using modeltest::child;
using modeltest::open_session;
using modeltest::top_folder;
using psttest::build_file;

TEST(SessionOpen, RefusesPathsThatDoNotFitWholeAndReportsMissingFiles) {
    platform::InMemoryUserDefaults defaults;
    const std::string fitting = "/nonexistent/" + std::string(kMaxPathBytes - 1 - 13, 'p');
    ASSERT_EQ(fitting.size(), kMaxPathBytes - 1);
    try {
        PSTSession::initWithFile(fitting, defaults);
        FAIL();
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "No such file or directory");
    }
    try {
        PSTSession::initWithFile(fitting + "p", defaults);
        FAIL();
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "cannot open PST file: its path has 2024 bytes, more than the 2023 a path may "
                  "have");
    }
    EXPECT_THROW(PSTSession::initWithFile(std::string("/tmp/a\0b.pst", 12), defaults),
                 std::runtime_error);
}

TEST(SessionOpen, OpensAFileOnDiskAndKeepsItsPath) {
    const auto built = build_file(psttest::two_folder_mailbox("On disk"));
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("mailwright_session_" + std::to_string(::getpid()) + ".pst");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(built.bytes.data()),
               static_cast<std::streamsize>(built.bytes.size()));
    platform::InMemoryUserDefaults defaults;
    {
        const auto session = PSTSession::initWithFile(path.string(), defaults);
        EXPECT_EQ(session->pstFilePath(), path.string());
        EXPECT_EQ(session->getRootStore()->storeName(), "On disk");
    }
    std::filesystem::remove(path);
}

TEST(SessionOpen, CodePageComesFromTheDefaultsAndCodePagesThatDecodeNothingFallBack) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Café");
    box.top().add_folder("Reçu");
    const auto built = build_file(box, psttest::Variant::ansi);

    struct Case {
        std::optional<std::int64_t> setting;
        std::int32_t code_page;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {std::nullopt, 0, {}},
        {1252, 1252, {}},
        {12345, 12345, {"MAILWRIGHT - UNKNOWN CHARSET 12345"}},
        {(std::int64_t{1} << 32) + 1252, 1252, {}},  // cut to 32 bits
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
        EXPECT_NE(child(top_folder(session), "Reçu"), nullptr);
        EXPECT_EQ(log.lines(), c.log);
    }
}

TEST(Store, RootFolderIsNamedAfterTheStoreAndPathsGrowFromIt) {
    const auto built = build_file(psttest::two_folder_mailbox("Ann's mail"));
    const auto session = open_session(built);
    const auto store = session->getRootStore();
    const auto root = store->getSubTreeFolder();
    EXPECT_EQ(root->folderName(), "Ann's mail");
    EXPECT_EQ(root->fullFolderPath(), "Ann's mail");
    EXPECT_EQ(root->parentFolder(), nullptr);
    EXPECT_EQ(root->defaultItemType(), kFolderStoreRoot);
    const auto top = top_folder(session);
    ASSERT_NE(top, nullptr);
    const auto inbox = child(top, "Inbox");
    ASSERT_NE(inbox, nullptr);
    EXPECT_EQ(inbox->fullFolderPath(), "Ann's mail/Top of Personal Folders/Inbox");
    EXPECT_EQ(inbox->parentFolder(), top);
}

TEST(Folder, KindComesFromTheContainerClassOrItsDottedSpecialKinds) {
    struct Case {
        const char* container_class;
        std::int32_t kind;
    };
    const Case cases[] = {
        {"IPF.Appointment", kFolderCalendar},
        {"IPF.Contact", kFolderContacts},
        {"IPF.Journal", kFolderJournal},
        {"IPF.StickyNote", kFolderNotes},
        {"IPF.Task", kFolderTasks},
        {"IPF.Note", kFolderMail},
        {"", kFolderMail},
        {"IPF.Appointment.Birthday", kFolderCalendar},
        {"IPF.Contact.RecipientCache", kFolderContacts},
        {"IPF.Note.OutlookHomepage", kFolderMail},
        {"IPF.Tasks", kFolderMail},
        {"ipf.task", kFolderMail},
        {"IPF.Contact ", kFolderMail},
    };
    pstbuild::Mailbox box = pstbuild::standard_mailbox();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        box.top().add_folder("F" + std::to_string(i), cases[i].container_class);
    }
    box.root.container_class = "IPF.Task";
    for (const psttest::Variant variant : {psttest::Variant::unicode, psttest::Variant::ansi}) {
        const auto session = open_session(build_file(box, variant));
        EXPECT_EQ(session->getRootStore()->getSubTreeFolder()->defaultItemType(), kFolderTasks);
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            SCOPED_TRACE(cases[i].container_class);
            const auto f = child(top_folder(session), "F" + std::to_string(i));
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(f->defaultItemType(), cases[i].kind);
        }
    }
}

TEST(Folder, CountComesFromTheFolderAndAMissingCountIsZero) {
    pstbuild::Mailbox box = psttest::two_folder_mailbox();
    box.top().children[1].messages = {psttest::mail("a"), psttest::mail("b")};
    pstbuild::Folder& uncounted = box.top().add_folder("Uncounted");
    uncounted.messages = {psttest::mail("c")};
    uncounted.omit = {0x3602};
    box.top().add_folder("Negative").extra = {
        pstbuild::ExtraProperty::of(0x3602, pstbuild::pv_long(-3))};
    const auto session = open_session(build_file(box));
    const auto top = top_folder(session);
    EXPECT_EQ(child(top, "Inbox")->contentCount(), 2);
    EXPECT_EQ(child(top, "Uncounted")->contentCount(), 0);
    EXPECT_EQ(child(top, "Negative")->contentCount(), -3);
    EXPECT_EQ(child(top, "Sent")->contentCount(), 0);
}

TEST(Folder, AppendPathComponentJoinsWithOneSlash) {
    EXPECT_EQ(appendPathComponent("Store", "Inbox"), "Store/Inbox");
    EXPECT_EQ(appendPathComponent("Store/", "Inbox"), "Store/Inbox");
    EXPECT_EQ(appendPathComponent("Store", ""), "Store");
    EXPECT_EQ(appendPathComponent("", "Inbox"), "Inbox");
    EXPECT_EQ(appendPathComponent("Store", "a/b"), "Store/a/b");
}

}  // namespace
}  // namespace mailwright::model
