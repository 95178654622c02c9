// Opening a session: the path rules, the code page from the user defaults (with the fallback for
// code pages that decode nothing) and folder kinds from dotted container classes. The tree with
// its names, paths, kinds and counts is listed by the list command's tests.
#include <gtest/gtest.h>

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

TEST(Folder, KindComesFromTheContainerClassOrItsDottedSpecialKinds) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"IPF.Appointment.Birthday", kFolderCalendar},
        {"IPF.Contact.RecipientCache", kFolderContacts},
        {"IPF.Tasks", kFolderMail},
        {"ipf.task", kFolderMail},
        {"IPF.Contact ", kFolderMail},
    };
    pstbuild::Mailbox box = pstbuild::standard_mailbox();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        box.top().add_folder("F" + std::to_string(i), cases[i].first);
    }
    box.root.container_class = "IPF.Task";
    const auto session = open_session(build_file(box));
    EXPECT_EQ(session->getRootStore()->getSubTreeFolder()->defaultItemType(), kFolderTasks);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(child(top_folder(session), "F" + std::to_string(i))->defaultItemType(),
                  cases[i].second)
            << cases[i].first;
    }
}

}  // namespace
}  // namespace mailwright::model
