// Identities made from an item: the same item always gives the same text,
// and items that differ in store, node or holder give different ones (their
// forms are held by the golden files).
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

}  // namespace
}  // namespace mailwright::formats
