// The generic B-tree: position search, find and iteration, on a small tree
// held in memory with string values (as a BTree-on-heap would have).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pstread/ndb/btree_node.h"

namespace {

using pstread::btree_iterator;
using pstread::btree_node;
using pstread::btree_range;
using pstread::database_corrupt;
using pstread::key_not_found;

using node_type = btree_node<int, std::string>;

class test_leaf : public pstread::btree_node_leaf<int, std::string> {
public:
    explicit test_leaf(std::vector<int> keys) : m_keys(std::move(keys)) {}

    std::string value_at(std::size_t position) const override {
        return "v" + std::to_string(m_keys.at(position));
    }
    int key_at(std::size_t position) const override { return m_keys.at(position); }
    std::size_t value_count() const override { return m_keys.size(); }

    std::ptrdiff_t search(int key) const { return position_of(key); }

private:
    std::vector<int> m_keys;
};

class test_nonleaf : public pstread::btree_node_nonleaf<int, std::string> {
public:
    void add(int key, std::shared_ptr<const node_type> child) {
        m_entries.emplace_back(key, std::move(child));
    }
    int key_at(std::size_t position) const override { return m_entries.at(position).first; }
    std::size_t value_count() const override { return m_entries.size(); }
    const node_type& child_at(std::size_t position) const override {
        ++loads;
        return *m_entries.at(position).second;
    }

    mutable int loads = 0;

private:
    std::vector<std::pair<int, std::shared_ptr<const node_type>>> m_entries;
};

TEST(BtreeNodeTest, PositionSearchFindsTheLastKeyNotAbove) {
    const test_leaf empty({});
    EXPECT_EQ(empty.search(5), -1);
    // Odd and even key counts, keys below, between, on and above the keys.
    const test_leaf odd({10, 20, 30});
    const test_leaf even({10, 20, 30, 40});
    struct row {
        int key;
        std::ptrdiff_t odd, even;
    };
    for (const row r : {row{5, -1, -1}, row{10, 0, 0}, row{15, 0, 0}, row{20, 1, 1}, row{25, 1, 1},
                        row{30, 2, 2}, row{35, 2, 2}, row{40, 2, 3}, row{99, 2, 3}}) {
        EXPECT_EQ(odd.search(r.key), r.odd) << r.key;
        EXPECT_EQ(even.search(r.key), r.even) << r.key;
    }
    const test_leaf single({7});
    EXPECT_EQ(single.search(6), -1);
    EXPECT_EQ(single.search(7), 0);
    EXPECT_EQ(single.search(8), 0);
}

TEST(BtreeNodeTest, LeafFindNeedsAnExactKey) {
    const test_leaf leaf({10, 20, 30});
    EXPECT_EQ(leaf.find(20), "v20");
    try {
        leaf.find(25);
        FAIL() << "no exception";
    } catch (const key_not_found<int>& error) {
        EXPECT_EQ(error.which(), 25);
        EXPECT_STREQ(error.what(), "key not found");
    }
    EXPECT_THROW(leaf.find(5), key_not_found<int>);
}

// Two levels: keys 1..9 in three leaves under one non-leaf root.
std::shared_ptr<test_nonleaf> two_level_tree() {
    auto root = std::make_shared<test_nonleaf>();
    root->add(1, std::make_shared<test_leaf>(std::vector<int>{1, 2, 3}));
    root->add(4, std::make_shared<test_leaf>(std::vector<int>{4, 5, 6}));
    root->add(7, std::make_shared<test_leaf>(std::vector<int>{7, 8, 9}));
    return root;
}

TEST(BtreeNodeTest, NonLeafFindDescendsIntoOneChild) {
    const auto root = two_level_tree();
    EXPECT_EQ(root->find(5), "v5");
    EXPECT_EQ(root->loads, 1);
    EXPECT_THROW(root->find(0), key_not_found<int>);
    EXPECT_EQ(root->loads, 1);  // below the first key: no child touched
}

std::vector<std::string> forward(std::shared_ptr<const node_type> root) {
    std::vector<std::string> values;
    for (const std::string& value : btree_range<int, std::string>(std::move(root))) {
        values.push_back(value);
    }
    return values;
}

std::vector<std::string> backward(std::shared_ptr<const node_type> root) {
    std::vector<std::string> values;
    for (auto it = btree_iterator<int, std::string>::last(std::move(root)); !it.at_end(); --it) {
        values.push_back(it.value());
    }
    return values;
}

TEST(BtreeNodeTest, IterationYieldsValuesInKeyOrderBothWays) {
    const auto root = two_level_tree();
    const std::vector<std::string> expected = {"v1", "v2", "v3", "v4", "v5",
                                               "v6", "v7", "v8", "v9"};
    EXPECT_EQ(forward(root), expected);
    EXPECT_EQ(backward(root), std::vector<std::string>(expected.rbegin(), expected.rend()));

    // Three levels, and a non-leaf root holding a single leaf.
    auto top = std::make_shared<test_nonleaf>();
    top->add(1, root);
    auto second = std::make_shared<test_nonleaf>();
    second->add(10, std::make_shared<test_leaf>(std::vector<int>{10, 11}));
    top->add(10, second);
    EXPECT_EQ(forward(top).size(), 11u);
    EXPECT_EQ(backward(top).front(), "v11");
}

TEST(BtreeNodeTest, IteratorKeysAndEnd) {
    auto it = btree_iterator<int, std::string>::first(two_level_tree());
    EXPECT_EQ(it.key(), 1);
    for (int i = 0; i < 8; ++i) {
        ++it;
    }
    EXPECT_EQ(it.key(), 9);
    ++it;
    EXPECT_TRUE(it.at_end());
    ++it;  // stepping past the end stays there
    EXPECT_TRUE(it.at_end());
}

TEST(BtreeNodeTest, EmptyTreesAndEmptyChildrenYieldNothing) {
    EXPECT_TRUE(forward(std::make_shared<test_leaf>(std::vector<int>{})).empty());
    EXPECT_TRUE(forward(std::make_shared<test_nonleaf>()).empty());
    EXPECT_TRUE(backward(std::make_shared<test_nonleaf>()).empty());
    // An empty child between full ones is passed over in both directions.
    auto root = std::make_shared<test_nonleaf>();
    root->add(1, std::make_shared<test_leaf>(std::vector<int>{1}));
    root->add(2, std::make_shared<test_leaf>(std::vector<int>{}));
    root->add(3, std::make_shared<test_leaf>(std::vector<int>{3}));
    EXPECT_EQ(forward(root), (std::vector<std::string>{"v1", "v3"}));
    EXPECT_EQ(backward(root), (std::vector<std::string>{"v3", "v1"}));
}

TEST(BtreeNodeTest, RepeatedOrUnorderedKeysStopTheWalk) {
    // The same leaf under two entries: a walk would repeat it.
    auto leaf = std::make_shared<test_leaf>(std::vector<int>{1, 2});
    auto root = std::make_shared<test_nonleaf>();
    root->add(1, leaf);
    root->add(3, leaf);
    EXPECT_THROW(forward(root), database_corrupt);
    EXPECT_THROW(backward(root), database_corrupt);
    EXPECT_THROW(forward(std::make_shared<test_leaf>(std::vector<int>{2, 1})), database_corrupt);
}

TEST(BtreeNodeTest, ACycleOfNonLeafNodesIsNotFollowedWithoutEnd) {
    // A non-leaf node that is its own only child.
    auto root = std::make_shared<test_nonleaf>();
    root->add(1, std::shared_ptr<const node_type>(root.get(), [](const node_type*) {}));
    try {
        forward(root);
        FAIL() << "no exception";
    } catch (const database_corrupt& error) {
        EXPECT_STREQ(error.what(), "B-tree deeper than 256 levels");
    }
}

}  // namespace
