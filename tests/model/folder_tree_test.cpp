// The folder tree: children in table order without search folders, a folder
// named twice placed once, and who keeps the session alive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/message.h"
#include "model/model_file.h"
#include "platform/system_log.h"

namespace mailwright::model {
namespace {

using modeltest::child;
using modeltest::open_session;
using modeltest::top_folder;
using psttest::build_file;

std::vector<std::string> names(const std::vector<std::shared_ptr<MAPIFolder>>& folders) {
    std::vector<std::string> out;
    for (const auto& f : folders) {
        out.push_back(f->folderName());
    }
    return out;
}

TEST(FolderTree, ChildrenComeInHierarchyOrderWithoutSearchFolders) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox();
    for (const char* name : {"Zulu", "Alpha", "Mike"}) {
        box.top().add_folder(name);
    }
    box.top().add_folder("Searching", "").search_folder = true;
    const auto session = open_session(build_file(box));
    const auto top = top_folder(session);
    EXPECT_EQ(names(top->getFolders()),
              (std::vector<std::string>{"Deleted Items", "Zulu", "Alpha", "Mike"}));
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

}  // namespace
}  // namespace mailwright::model
