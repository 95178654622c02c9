// The store and the folder hierarchy from builder files: store properties
// and the named property map, rows pointing back up not followed, the depth
// limit, and ANSI names. Row order, search folders and counts are checked
// where the folder tree is built from them.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "pstread/ltp/property_sets.h"
#include "pstread/ndb/exceptions.h"
#include "pstread/pst/folder.h"
#include "pstread/pst/mailbox_file.h"
#include "pstread/pst/node_ids.h"
#include "pstread/pst/property_ids.h"
#include "pstread/pst/pst.h"
#include "text/code_page_table.h"

namespace pstread {
namespace {

using psttest::build_file;
using psttest::BuiltMailbox;

std::vector<std::u32string> names_of(const folder& parent) {
    std::vector<std::u32string> names;
    for (const folder& child : parent.sub_folders()) {
        names.push_back(child.get_name());
    }
    return names;
}

folder child_named(const folder& parent, const std::u32string& name) {
    for (const folder& child : parent.sub_folders()) {
        if (child.get_name() == name) {
            return child;
        }
    }
    throw std::runtime_error("no such folder");
}

TEST(Store, NameAndNamedPropertiesTheFileUses) {
    pstbuild::Mailbox box = psttest::two_folder_mailbox("Ann's mail");
    pstbuild::Message m = psttest::mail("tagged");
    m.extra.push_back(
        pstbuild::ExtraProperty::of_named_text({pstbuild::kPsPublicStrings, 0, "Keywords"}, "red"));
    box.top().children[0].messages.push_back(m);
    const BuiltMailbox built = build_file(box);
    pst file(built.open());
    EXPECT_EQ(file.get_name(), U"Ann's mail");
    EXPECT_GE(file.lookup_prop_id(ps_public_strings, U"Keywords"), 0x8000);
    EXPECT_THROW(file.lookup_prop_id(ps_public_strings, U"Unused"), key_not_found<named_prop>);

    pstbuild::NdbBuilder ndb({.pad_to_amap_section = false});
    ndb.add_node(0x122, {});
    pst bare(open_database(std::make_shared<database_file>(ndb.build(), "bare.pst")));
    try {
        bare.get_property_bag();
        FAIL() << "no store node";
    } catch (const key_not_found<node_id>& missing) {
        EXPECT_EQ(missing.which(), nid_message_store);
    }
}

TEST(Folder, RowsNamingTheFolderOrAnAncestorAreNotFollowed) {
    // Node ids are handed out in writing order, so a first build tells the
    // ids the second build's extra rows name.
    auto make = [](std::vector<std::uint32_t> rows) {
        pstbuild::Mailbox box = pstbuild::standard_mailbox();
        pstbuild::Folder& a = box.top().add_folder("A");
        pstbuild::Folder& b = a.add_folder("B");
        b.extra_hierarchy_rows = std::move(rows);
        return box;
    };
    const BuiltMailbox first = build_file(make({}));
    const std::uint32_t top = first.folder_nid("Top of Personal Folders");
    const std::uint32_t a = first.folder_nid("Top of Personal Folders/A");
    const std::uint32_t b = first.folder_nid("Top of Personal Folders/A/B");
    const std::uint32_t deleted = first.folder_nid("Top of Personal Folders/Deleted Items");
    const BuiltMailbox built = build_file(make({nid_root_folder, top, a, b, deleted}));
    ASSERT_EQ(built.folder_nid("Top of Personal Folders/A/B"), b);

    pst file(built.open());
    const folder fb = child_named(
        child_named(child_named(file.open_root_folder(), U"Top of Personal Folders"), U"A"), U"B");
    EXPECT_EQ(fb.get_hierarchy_table().size(), 5u);
    // Only the row naming a folder outside the path is followed.
    EXPECT_EQ(names_of(fb), std::vector<std::u32string>{U"Deleted Items"});
    EXPECT_EQ((*fb.sub_folder_begin()).get_path(),
              (folder_path{nid_root_folder, top, a, b, deleted}));
}

TEST(Folder, OpensExactlyMaxFolderDepthLevels) {
    pstbuild::Mailbox box;
    pstbuild::Folder* f = &box.root;
    for (std::size_t depth = 1; depth <= max_folder_depth + 1; ++depth) {
        f = &f->add_folder("L" + std::to_string(depth));
    }
    const BuiltMailbox built = build_file(box);
    pst file(built.open());
    folder deepest = file.open_root_folder();
    for (std::size_t depth = 1; depth <= max_folder_depth; ++depth) {
        deepest = *deepest.sub_folder_begin();
    }
    EXPECT_EQ(deepest.get_depth(), max_folder_depth);
    EXPECT_EQ(deepest.get_name(), U"L" + std::u32string(U"300"));
    EXPECT_THROW((void)*deepest.sub_folder_begin(), database_corrupt);
}

TEST(Folder, AnsiFoldersDecodeNamesWithTheCharsetTheOwnerSets) {
    pstbuild::Mailbox box = pstbuild::standard_mailbox("Почта");
    box.code_page = 1251;
    box.top().add_folder("Входящие");
    const BuiltMailbox built = build_file(box, psttest::Variant::ansi);
    pst file(built.open());
    EXPECT_FALSE(file.is_unicode());
    file.get_property_bag().set_charset(mailwright::text::GetCodePageInfo(1251));
    EXPECT_EQ(file.get_name(), U"Почта");
    folder top = *file.open_root_folder().sub_folder_begin();
    folder inbox = *std::next(top.sub_folder_begin());
    EXPECT_THROW(inbox.get_name(), std::runtime_error);  // no charset set yet
    inbox.get_property_bag().set_charset(mailwright::text::GetCodePageInfo(1251));
    EXPECT_EQ(inbox.get_name(), U"Входящие");
}

}  // namespace
}  // namespace pstread
