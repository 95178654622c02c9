// The store and the folder hierarchy from builder files: store properties
// and the named property map, and the depth limit. Row order, rows pointing
// back up, search folders, counts and ANSI names are checked where the
// folder tree is built from them.
#include <gtest/gtest.h>

#include <string>

#include "pstread/ltp/property_sets.h"
#include "pstread/ndb/exceptions.h"
#include "pstread/pst/folder.h"
#include "pstread/pst/mailbox_file.h"
#include "pstread/pst/node_ids.h"
#include "pstread/pst/property_ids.h"
#include "pstread/pst/pst.h"

namespace pstread {
namespace {

using psttest::build_file;
using psttest::BuiltMailbox;

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

}  // namespace
}  // namespace pstread
