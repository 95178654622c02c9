// Changing the code page of an ANSI file (Cyrillic 1251, Japanese 932): the
// store name and every folder name are decoded anew, folders not yet built
// are built with the new code page, full paths keep the names they were
// built from, existing messages keep their strings and new ones decode with
// the new code page.
#include <gtest/gtest.h>

#include <string>

#include "model/message.h"
#include "model/model_file.h"
#include "text/code_page_conversion.h"
#include "text/whole_value_conversion.h"

namespace mailwright::model {
namespace {

using modeltest::child;
using modeltest::open_session;
using psttest::build_file;

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

}  // namespace
}  // namespace mailwright::model
