#include "SortedTree.h"

#include <new>
#include <utility>

namespace {

bool IsRed(const TSortedTreeNode* node) { return node && node->Black == 0; }

std::uint32_t SizeOf(const TSortedTreeNode* node) { return node ? node->Size : 0; }

}  // namespace

TSortedTreeCursor::~TSortedTreeCursor() {
    if (Tree) Tree->DetachCursor(this);
}

TSortedTree::TSortedTree(bool allowDuplicates) : AllowDuplicates(allowDuplicates ? 1 : 0) {}

TSortedTree::~TSortedTree() {
    // The nodes belong to the caller; only the cursors are let go.
    while (Cursors) DetachCursor(Cursors);
}

// Exchanges x with its child y: y takes x's place, x becomes y's child on the
// other side and y's inner subtree moves over to x. The two exchange colours,
// so a red child rotated above its black parent comes out black.
void TSortedTree::Rotate(TSortedTreeNode* x, TSortedTreeNode* y) {
    TSortedTreeNode* parent = x->Parent;
    if (x->Left == y) {
        x->Left = y->Right;
        if (x->Left) x->Left->Parent = x;
        y->Right = x;
    } else {
        x->Right = y->Left;
        if (x->Right) x->Right->Parent = x;
        y->Left = x;
    }
    x->Parent = y;
    y->Parent = parent;
    if (!parent)
        Root = y;
    else if (parent->Left == x)
        parent->Left = y;
    else
        parent->Right = y;
    y->Size = x->Size;
    x->Size = SizeOf(x->Left) + SizeOf(x->Right) + 1;
    std::swap(x->Black, y->Black);
}

// x is red. If its parent is red too, rotate the pair around the grandparent:
// once when both hang on the same side, twice (first x above its parent) when
// they do not. A red root has no grandparent; that pair is left alone.
// Answers true when x itself went up into the grandparent's place.
bool TSortedTree::RepairRedPair(TSortedTreeNode* x) {
    TSortedTreeNode* parent = x->Parent;
    if (!parent || !IsRed(parent)) return false;
    TSortedTreeNode* grand = parent->Parent;
    if (!grand) return false;
    const bool twice = (parent->Left == x) != (grand->Left == parent);
    if (twice) {
        Rotate(parent, x);
        parent = x;
    }
    Rotate(grand, parent);
    return twice;
}

bool TSortedTree::Insert(TSortedTreeNode* node) {
    node->Item = node;
    node->Left = node->Right = nullptr;
    node->Black = 0;
    node->Size = 1;
    if (!Root) {
        node->Parent = nullptr;
        Root = node;
        LastError = ErrNone;
        return true;
    }

    // Top-down pass: split every node with two red children on the way, so
    // that the final attachment needs at most one more repair. Every node the
    // walk leaves downwards counts the new node at once, which spares a second
    // walk back up; a rotation on the way hands such a count on to the node
    // that takes the rotated node's place (Rotate recounts the node that goes
    // down from its children). A refused key takes the counts back.
    const std::uint32_t key = node->Key;
    TSortedTreeNode* last = nullptr;
    for (TSortedTreeNode* q = Root; q;) {
        bool counted = false;  // q went up in a rotation and took over a count
        // The right child first: a run of ascending keys walks down the right
        // spine, whose nodes are in the cache, and only a red right child
        // needs the (far older) left child looked at.
        if (IsRed(q->Right) && IsRed(q->Left)) {
            q->Left->Black = 1;
            q->Right->Black = 1;
            q->Black = 0;
            counted = RepairRedPair(q);
        }
        if (!AllowDuplicates && q->Key == key) {
            for (TSortedTreeNode* p = counted ? q : q->Parent; p; p = p->Parent) --p->Size;
            LastError = ErrKeyPresent;
            return false;
        }
        if (!counted) ++q->Size;
        last = q;
        q = q->Key < key ? q->Right : q->Left;
    }

    node->Parent = last;
    if (last->Key < key)
        last->Right = node;
    else
        last->Left = node;
    RepairRedPair(node);
    LastError = ErrNone;
    return true;
}

bool TSortedTree::Remove(TSortedTreeNode*) {
    LastError = ErrNotSupported;
    return false;
}

TSortedTreeNode* TSortedTree::RemoveAt(std::uint32_t) {
    LastError = ErrNotSupported;
    return nullptr;
}

bool TSortedTree::RemoveAll() {
    LastError = ErrNotSupported;
    return false;
}

// Both lookups walk down from the root carrying r, the rank of the current
// node: the root's rank is the size of its left subtree; a left child c sits
// Size(c) - Size(c->Left) places below its parent, a right child
// Size(c->Left) + 1 places above.
TSortedTreeNode* TSortedTree::ItemAt(std::uint32_t rank) {
    if (rank >= GetCount()) {
        LastError = ErrRankOutOfRange;
        return nullptr;
    }
    TSortedTreeNode* node = Root;
    std::uint32_t r = SizeOf(node->Left);
    while (r != rank) {
        if (rank < r) {
            node = node->Left;
            r = r - node->Size + SizeOf(node->Left);
        } else {
            node = node->Right;
            r = r + SizeOf(node->Left) + 1;
        }
    }
    LastError = ErrNone;
    return node->Item;
}

TSortedTreeNode* TSortedTree::FindKey(std::uint32_t key, std::uint32_t* rank) {
    LastError = ErrNone;
    TSortedTreeNode* node = Root;
    std::uint32_t r = SizeOf(node ? node->Left : nullptr);
    while (node) {
        if (key == node->Key) {
            if (rank) *rank = r;
            return node->Item;
        }
        if (key < node->Key) {
            node = node->Left;
            if (node) r = r - node->Size + SizeOf(node->Left);
        } else {
            node = node->Right;
            if (node) r = r + SizeOf(node->Left) + 1;
        }
    }
    return nullptr;
}

std::uint32_t TSortedTree::GetLimit() {
    LastError = ErrNone;
    return ~std::uint32_t(0);
}

std::uint32_t TSortedTree::GetMinimum() {
    LastError = ErrNone;
    return 0;
}

std::uint32_t TSortedTree::GetCount() {
    LastError = ErrNone;
    return SizeOf(Root);
}

bool TSortedTree::GetAllowDuplicates() {
    LastError = ErrNone;
    return AllowDuplicates != 0;
}

bool TSortedTree::GetSorted() {
    LastError = ErrNone;
    return Sorted != 0;
}

std::uint32_t TSortedTree::GetSize() { return GetCount(); }

bool TSortedTree::IsFull() { return GetLimit() == GetSize(); }

bool TSortedTree::IsEmpty() { return GetSize() == 0; }

TSortedTreeCursor* TSortedTree::CreateCursor() {
    State = StateCreatingCursor;
    TSortedTreeCursor* cursor = new (std::nothrow) TSortedTreeCursor;
    if (!cursor) {
        LastError = ErrNoCursorMemory;
        State = StateIdle;
        return nullptr;
    }
    OnCursorAttach(0, cursor);
    TSortedTreeCursor** link = &Cursors;
    TSortedTreeCursor* prev = nullptr;
    while (*link) {
        prev = *link;
        link = &prev->NextCursor;
    }
    *link = cursor;
    cursor->PrevCursor = prev;
    cursor->Tree = this;
    OnCursorAttach(1, cursor);
    LastError = ErrNone;
    State = StateIdle;
    return cursor;
}

void TSortedTree::DetachCursor(TSortedTreeCursor* cursor) {
    OnCursorDetach(0, cursor);
    if (cursor->PrevCursor)
        cursor->PrevCursor->NextCursor = cursor->NextCursor;
    else
        Cursors = cursor->NextCursor;
    if (cursor->NextCursor) cursor->NextCursor->PrevCursor = cursor->PrevCursor;
    cursor->Tree = nullptr;
    cursor->PrevCursor = cursor->NextCursor = nullptr;
    OnCursorDetach(1, cursor);
}

void TSortedTree::OnCursorAttach(int, TSortedTreeCursor*) {}

void TSortedTree::OnCursorDetach(int, TSortedTreeCursor*) {}
