// Identities made from an item: the same item always gives the same text,
// and items that differ in store, node or holder give different ones.
#include "formats/item_identity.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace mailwright::formats {
namespace {

TEST(ItemIdentity, IsRepeatableAndTellsItemsApart) {
    const std::vector<std::uint8_t> store = {1, 2, 3, 4};
    const std::vector<std::uint8_t> other = {1, 2, 3, 5};
    const ItemIdentity item = ItemIdentity::ofItem(store, 0x200024);
    EXPECT_EQ(ItemIdentity::ofItem(store, 0x200024), item);
    const std::vector<ItemIdentity> distinct = {
        item,
        ItemIdentity::ofItem(store, 0x200044),
        ItemIdentity::ofItem(other, 0x200024),
        ItemIdentity::ofItem({}, 0x200024),
        item.within(0x8025),
        ItemIdentity::ofItem(store, 0x200044).within(0x8025),
    };
    std::set<std::string> texts;
    for (const ItemIdentity& id : distinct) {
        texts.insert(id.uuid());
    }
    EXPECT_EQ(texts.size(), distinct.size());
}

TEST(ItemIdentity, WritesUuidAndHexForms) {
    const std::string uuid = ItemIdentity::ofItem({}, 1).uuid();
    ASSERT_EQ(uuid.size(), 36u);
    for (const std::size_t dash : {8u, 13u, 18u, 23u}) {
        EXPECT_EQ(uuid[dash], '-') << uuid;
    }
    EXPECT_EQ(uuid[14], '8') << uuid;                                  // version 8
    EXPECT_NE(std::string("89AB").find(uuid[19]), std::string::npos);  // variant
    EXPECT_EQ(uuid.find_first_not_of("0123456789ABCDEF-"), std::string::npos);
    const std::string hex = ItemIdentity::ofItem({}, 1).hex(16);
    EXPECT_EQ(hex, uuid.substr(0, 8) + uuid.substr(9, 4) + hex.substr(12));
    EXPECT_EQ(ItemIdentity::ofItem({}, 1).hex(40).size(), 32u);
}

}  // namespace
}  // namespace mailwright::formats
