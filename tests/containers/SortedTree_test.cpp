#include "SortedTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "AllocFail.h"

namespace {

struct Shape {
    std::uint32_t count = 0;
    std::uint32_t height = 0;
};

// Checks parent links, key order and subtree sizes below node; keys must lie
// in [low, high].
Shape CheckSubtree(const TSortedTreeNode* node, const TSortedTreeNode* parent, std::uint32_t low,
                   std::uint32_t high) {
    if (!node) return {};
    EXPECT_EQ(node->Parent, parent);
    EXPECT_EQ(node->Item, node);
    EXPECT_GE(node->Key, low);
    EXPECT_LE(node->Key, high);
    Shape left = CheckSubtree(node->Left, node, low, node->Key);
    Shape right = CheckSubtree(node->Right, node, node->Key, high);
    Shape shape{left.count + right.count + 1, std::max(left.height, right.height) + 1};
    EXPECT_EQ(node->Size, shape.count);
    return shape;
}

Shape CheckTree(TSortedTree& tree) {
    Shape shape = CheckSubtree(tree.GetRoot(), nullptr, 0, ~std::uint32_t(0));
    EXPECT_EQ(tree.GetCount(), shape.count);
    return shape;
}

// Inserts the keys (duplicates refused) and checks every rank both ways.
void CheckRanks(const std::vector<std::uint32_t>& keys) {
    std::vector<TSortedTreeNode> nodes(keys.size());
    TSortedTree tree;
    for (size_t i = 0; i < keys.size(); ++i) {
        nodes[i].Key = keys[i];
        ASSERT_TRUE(tree.Insert(&nodes[i]));
    }
    Shape shape = CheckTree(tree);
    ASSERT_EQ(shape.count, keys.size());
    // Balanced: a red-black tree of n nodes is at most about 2 log2(n) high.
    std::uint32_t log2n = 0;
    while ((1u << log2n) <= keys.size()) ++log2n;
    EXPECT_LE(shape.height, 2 * log2n + 1);

    std::vector<std::uint32_t> sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    for (std::uint32_t r = 0; r < sorted.size(); ++r) {
        TSortedTreeNode* item = tree.ItemAt(r);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Key, sorted[r]);
        std::uint32_t rank = ~0u;
        EXPECT_EQ(tree.FindKey(sorted[r], &rank), item);
        EXPECT_EQ(rank, r);
    }
}

TEST(SortedTree, SmallSetOrderRanksAndErrors) {
    TSortedTreeNode n5, n3, n8, again3;
    n5.Key = 5;
    n3.Key = 3;
    n8.Key = 8;
    again3.Key = 3;
    TSortedTree tree;
    EXPECT_TRUE(tree.IsEmpty());
    EXPECT_EQ(tree.ItemAt(0), nullptr);
    EXPECT_EQ(tree.GetLastError(), TSortedTree::ErrRankOutOfRange);
    EXPECT_EQ(tree.FindKey(5), nullptr);
    EXPECT_EQ(tree.GetLastError(), TSortedTree::ErrNone);

    EXPECT_TRUE(tree.Insert(&n5));
    EXPECT_TRUE(tree.Insert(&n3));
    EXPECT_TRUE(tree.Insert(&n8));
    EXPECT_FALSE(tree.Insert(&again3));
    EXPECT_EQ(tree.GetLastError(), TSortedTree::ErrKeyPresent);
    EXPECT_EQ(tree.GetCount(), 3u);
    EXPECT_EQ(tree.GetLastError(), TSortedTree::ErrNone);
    CheckTree(tree);

    // Colour keys: red in bits 16-23, green 8-15, blue 0-7.
    TSortedTreeNode red, blue, green;
    red.Key = 0xFF0000;
    blue.Key = 0x0000FF;
    green.Key = 0x00FF00;
    TSortedTree colours;
    ASSERT_TRUE(colours.Insert(&red));
    ASSERT_TRUE(colours.Insert(&blue));
    ASSERT_TRUE(colours.Insert(&green));
    EXPECT_EQ(colours.ItemAt(0), &blue);
    EXPECT_EQ(colours.ItemAt(1), &green);
    EXPECT_EQ(colours.ItemAt(2), &red);
    std::uint32_t rank = 99;
    EXPECT_EQ(colours.FindKey(0x00FF00, &rank), &green);
    EXPECT_EQ(rank, 1u);
    EXPECT_EQ(colours.ItemAt(3), nullptr);
    EXPECT_EQ(colours.GetLastError(), TSortedTree::ErrRankOutOfRange);
    rank = 99;
    EXPECT_EQ(colours.FindKey(0x123456, &rank), nullptr);
    EXPECT_EQ(colours.GetLastError(), TSortedTree::ErrNone);
    EXPECT_EQ(rank, 99u);
    EXPECT_EQ(colours.FindKey(0xFF0000), &red);  // the rank is optional
}

TEST(SortedTree, RanksStayConsistentOverManyInserts) {
    std::vector<std::uint32_t> keys;
    for (std::uint32_t i = 0; i < 1000; ++i) keys.push_back(i);
    CheckRanks(keys);
    std::reverse(keys.begin(), keys.end());
    CheckRanks(keys);

    // Scattered distinct 24-bit keys: multiplying by an odd number permutes them.
    keys.clear();
    for (std::uint32_t i = 0; i < 5000; ++i) keys.push_back((i * 2654435761u) & 0xFFFFFF);
    keys.push_back(~0u);
    CheckRanks(keys);
}

// The shape a sequence of insertions leaves: "key:colour(left,right)" with r
// for red and b for black, "-" for a missing child.
std::string Shape(const TSortedTreeNode* node) {
    if (!node) return "-";
    std::string text = std::to_string(node->Key) + (node->Black ? "b" : "r");
    if (node->Left || node->Right) text += "(" + Shape(node->Left) + "," + Shape(node->Right) + ")";
    return text;
}

TEST(SortedTree, RecolouringAndRotationsOnTheWayDown) {
    TSortedTreeNode nodes[5];
    TSortedTree tree;
    auto insert = [&](int i, std::uint32_t key) {
        nodes[i].Key = key;
        ASSERT_TRUE(tree.Insert(&nodes[i]));
    };
    // A red pair on one side rotates once; the two exchange colours, and the
    // root is never forced black.
    insert(0, 1);
    insert(1, 2);
    EXPECT_EQ(Shape(tree.GetRoot()), "1r(-,2r)");
    insert(2, 3);
    EXPECT_EQ(Shape(tree.GetRoot()), "2r(1r,3r)");
    // Two red children are split on the way down.
    insert(3, 4);
    EXPECT_EQ(Shape(tree.GetRoot()), "2r(1b,3b(-,4r))");
    insert(4, 5);
    EXPECT_EQ(Shape(tree.GetRoot()), "2r(1b,4b(3r,5r))");
    EXPECT_EQ(tree.GetRoot()->Right->Size, 3u);
    CheckTree(tree);

    // A red pair on opposite sides rotates twice.
    TSortedTree zigzag;
    TSortedTreeNode a, b, c;
    a.Key = 10;
    b.Key = 5;
    c.Key = 7;
    ASSERT_TRUE(zigzag.Insert(&a) && zigzag.Insert(&b) && zigzag.Insert(&c));
    EXPECT_EQ(Shape(zigzag.GetRoot()), "7r(5r,10r)");
    CheckTree(zigzag);
}

TEST(SortedTree, DuplicatesRefusedOrKeptByFlag) {
    const std::uint32_t keys[] = {7, 7, 3, 7, 9, 3, 1, 7, 9, 7};
    TSortedTreeNode refusedNodes[10], keptNodes[10];
    TSortedTree refusing;
    TSortedTree keeping(true);
    EXPECT_FALSE(refusing.GetAllowDuplicates());
    EXPECT_TRUE(keeping.GetAllowDuplicates());
    int refused = 0;
    for (int i = 0; i < 10; ++i) {
        refusedNodes[i].Key = keptNodes[i].Key = keys[i];
        if (!refusing.Insert(&refusedNodes[i])) {
            ++refused;
            EXPECT_EQ(refusing.GetLastError(), TSortedTree::ErrKeyPresent);
        }
        EXPECT_TRUE(keeping.Insert(&keptNodes[i]));
    }
    EXPECT_EQ(refused, 6);
    EXPECT_EQ(refusing.GetCount(), 4u);
    CheckTree(refusing);
    CheckTree(keeping);

    ASSERT_EQ(keeping.GetCount(), 10u);
    std::vector<std::uint32_t> sorted(keys, keys + 10);
    std::sort(sorted.begin(), sorted.end());
    std::vector<TSortedTreeNode*> seen;
    for (std::uint32_t r = 0; r < 10; ++r) {
        TSortedTreeNode* item = keeping.ItemAt(r);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Key, sorted[r]);
        seen.push_back(item);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end());  // every node once
    // FindKey answers one of the equal nodes with that node's own rank.
    for (std::uint32_t key : {1u, 3u, 7u, 9u}) {
        std::uint32_t rank = ~0u;
        TSortedTreeNode* item = keeping.FindKey(key, &rank);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Key, key);
        EXPECT_EQ(keeping.ItemAt(rank), item);
    }
}

TEST(SortedTree, SizesStayExactAcrossRefusedKeysAndRotations) {
    // Insert counts the new node in every node on its way down; a refused key
    // must take those counts back, also after rotations on the way.
    std::mt19937 random(17);
    for (bool allowDuplicates : {false, true}) {
        for (std::uint32_t range : {4u, 40u, 400u}) {
            std::vector<TSortedTreeNode> nodes(1000);
            std::multiset<std::uint32_t> expected;
            TSortedTree tree(allowDuplicates);
            for (TSortedTreeNode& node : nodes) {
                node.Key = random() % range;
                const bool fresh = expected.count(node.Key) == 0;
                ASSERT_EQ(allowDuplicates || fresh, tree.Insert(&node)) << range;
                if (allowDuplicates || fresh) expected.insert(node.Key);
                ASSERT_EQ(expected.size(), CheckTree(tree).count) << range;
            }
            std::uint32_t rank = 0;
            for (std::uint32_t key : expected) ASSERT_EQ(key, tree.ItemAt(rank++)->Key);
        }
    }
}

TEST(SortedTree, AccessorsAndUnsupportedOperations) {
    TSortedTreeNode node;
    node.Key = 1;
    TSortedTree tree;
    ASSERT_TRUE(tree.Insert(&node));
    EXPECT_FALSE(tree.Remove(&node));
    EXPECT_EQ(tree.GetLastError(), TSortedTree::ErrNotSupported);
    EXPECT_EQ(tree.GetLimit(), ~std::uint32_t(0));
    EXPECT_EQ(tree.GetLastError(), TSortedTree::ErrNone);
    EXPECT_EQ(tree.RemoveAt(0), nullptr);
    EXPECT_EQ(tree.GetLastError(), TSortedTree::ErrNotSupported);
    EXPECT_EQ(tree.GetMinimum(), 0u);
    EXPECT_FALSE(tree.RemoveAll());
    EXPECT_EQ(tree.GetLastError(), TSortedTree::ErrNotSupported);
    EXPECT_TRUE(tree.GetSorted());
    EXPECT_EQ(tree.GetLastError(), TSortedTree::ErrNone);
    EXPECT_EQ(tree.GetSize(), 1u);
    EXPECT_FALSE(tree.IsEmpty());
    EXPECT_FALSE(tree.IsFull());
    EXPECT_EQ(tree.ItemAt(0), &node);  // nothing was removed
}

class RecordingTree : public TSortedTree {
public:
    struct Call {
        bool attach;
        int after;
        TSortedTreeCursor* cursor;
        std::int32_t state;
        TSortedTree* cursorTree;
    };
    std::vector<Call> calls;

protected:
    void OnCursorAttach(int after, TSortedTreeCursor* cursor) override {
        calls.push_back({true, after, cursor, GetState(), cursor->GetTree()});
    }
    void OnCursorDetach(int after, TSortedTreeCursor* cursor) override {
        calls.push_back({false, after, cursor, GetState(), cursor->GetTree()});
    }
};

TEST(SortedTree, CursorsAttachDetachAndOutliveTheTree) {
    RecordingTree* tree = new RecordingTree;
    TSortedTreeCursor* a = tree->CreateCursor();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(tree->GetLastError(), TSortedTree::ErrNone);
    EXPECT_EQ(tree->GetState(), TSortedTree::StateIdle);
    EXPECT_EQ(a->GetTree(), tree);
    ASSERT_EQ(tree->calls.size(), 2u);
    EXPECT_TRUE(tree->calls[0].attach);
    EXPECT_EQ(tree->calls[0].after, 0);
    EXPECT_EQ(tree->calls[0].state, TSortedTree::StateCreatingCursor);
    EXPECT_EQ(tree->calls[0].cursorTree, nullptr);
    EXPECT_EQ(tree->calls[1].after, 1);
    EXPECT_EQ(tree->calls[1].cursorTree, tree);

    TSortedTreeCursor* b = tree->CreateCursor();
    TSortedTreeCursor* c = tree->CreateCursor();
    ASSERT_TRUE(b && c);
    tree->calls.clear();
    delete b;  // the middle one: the list must stay linked around it
    ASSERT_EQ(tree->calls.size(), 2u);
    EXPECT_FALSE(tree->calls[0].attach);
    EXPECT_EQ(tree->calls[0].cursor, b);
    EXPECT_EQ(tree->calls[0].cursorTree, tree);
    EXPECT_EQ(tree->calls[1].after, 1);
    EXPECT_EQ(tree->calls[1].cursorTree, nullptr);

    {
        iwtest::AllocFailScope fail(0);
        EXPECT_EQ(tree->CreateCursor(), nullptr);
    }
    EXPECT_EQ(tree->GetLastError(), TSortedTree::ErrNoCursorMemory);
    EXPECT_EQ(tree->GetState(), TSortedTree::StateIdle);

    delete tree;  // a and c are let go, not freed
    EXPECT_EQ(a->GetTree(), nullptr);
    EXPECT_EQ(c->GetTree(), nullptr);
    delete c;
    delete a;
}

struct ColourNode : TSortedTreeNode {
    std::uint32_t firstPixel;
};

TEST(SortedTree, DerivedNodesAndRefusedNodesReused) {
    // Collect the distinct keys of a stream the way a palette builder does:
    // a refused duplicate's node is kept for the next key.
    std::deque<ColourNode> storage;
    TSortedTree tree;
    ColourNode* spare = nullptr;
    for (std::uint32_t i = 0; i < 300; ++i) {
        if (!spare) {
            storage.emplace_back();
            spare = &storage.back();
        }
        spare->Key = (i * 7) % 100;
        spare->firstPixel = i;
        if (tree.Insert(spare))
            spare = nullptr;
        else
            ASSERT_EQ(tree.GetLastError(), TSortedTree::ErrKeyPresent);
    }
    EXPECT_EQ(tree.GetCount(), 100u);
    // One node per distinct key plus the spare that the last, duplicate key left.
    EXPECT_EQ(storage.size(), 101u);
    EXPECT_NE(spare, nullptr);
    CheckTree(tree);
    for (std::uint32_t r = 0; r < 100; ++r) {
        auto* node = static_cast<ColourNode*>(tree.ItemAt(r));
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->Key, r);
        EXPECT_EQ(node->firstPixel, (r * 43) % 100);  // 7 * 43 = 301 = 1 (mod 100)
    }
}

}  // namespace
