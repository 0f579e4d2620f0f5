// Ordered set of caller-owned nodes with subtree sizes.
//
// TSortedTree is a red-black tree keyed by an unsigned 32-bit value. Every node
// knows how many nodes its subtree holds, so both "the node of rank r" (ItemAt)
// and "the rank of key k" (FindKey) cost one walk from the root. The tree never
// allocates, copies or frees nodes: callers own them. Problems are reported through GetLastError(), not by
// exceptions.
#pragma once

#include <cstdint>

// The intrusive part of an item. Node types for a particular use derive from
// it and add their own data after Key.
struct TSortedTreeNode {
    TSortedTreeNode* Parent = nullptr;
    TSortedTreeNode* Left = nullptr;   // smaller keys (and equal ones when duplicates are allowed)
    TSortedTreeNode* Right = nullptr;  // larger keys
    std::int32_t Black = 0;            // 0 red, 1 black
    TSortedTreeNode* Item = nullptr;   // the item carried; Insert sets it to the node itself
    std::uint32_t Size = 0;            // nodes in the subtree rooted here
    std::uint32_t Key = 0;
};

class TSortedTree;

// A cursor attached to a tree. It is created by TSortedTree::CreateCursor,
// owned by the caller, and detaches itself when destroyed. The tree detaches
// its remaining cursors when it is destroyed first.
class TSortedTreeCursor {
public:
    virtual ~TSortedTreeCursor();
    TSortedTreeCursor(const TSortedTreeCursor&) = delete;
    TSortedTreeCursor& operator=(const TSortedTreeCursor&) = delete;

    TSortedTree* GetTree() const { return Tree; }

private:
    friend class TSortedTree;
    TSortedTreeCursor() = default;

    TSortedTree* Tree = nullptr;
    TSortedTreeCursor* PrevCursor = nullptr;
    TSortedTreeCursor* NextCursor = nullptr;
};

class TSortedTree {
public:
    // Values of GetLastError().
    enum Error : std::int32_t {
        ErrNone = 0,
        ErrNotSupported = 1,
        ErrRankOutOfRange = 2,
        ErrNoCursorMemory = 5,
        ErrKeyPresent = 6,
    };
    // Values of GetState().
    enum State : std::int32_t { StateIdle = 2, StateCreatingCursor = 3 };

    explicit TSortedTree(bool allowDuplicates = false);
    virtual ~TSortedTree();
    TSortedTree(const TSortedTree&) = delete;
    TSortedTree& operator=(const TSortedTree&) = delete;

    // Links the node into the tree (its Key must be set). False with
    // ErrKeyPresent when duplicates are not allowed and the key is present.
    virtual bool Insert(TSortedTreeNode* node);
    // Removal is not offered by this tree: each answers false/null with ErrNotSupported.
    virtual bool Remove(TSortedTreeNode* node);
    virtual TSortedTreeNode* RemoveAt(std::uint32_t rank);
    virtual bool RemoveAll();

    // The item of the given rank (0 = smallest key); null with ErrRankOutOfRange.
    virtual TSortedTreeNode* ItemAt(std::uint32_t rank);
    // The item with this key, or null. On success the key's rank (the number of
    // nodes before it in key order) is stored in *rank when rank is not null.
    virtual TSortedTreeNode* FindKey(std::uint32_t key, std::uint32_t* rank = nullptr);

    virtual std::uint32_t GetLimit();
    virtual std::uint32_t GetMinimum();
    virtual std::uint32_t GetCount();
    virtual bool GetAllowDuplicates();
    virtual bool GetSorted();
    virtual std::uint32_t GetSize();
    virtual bool IsFull();
    virtual bool IsEmpty();

    // A new cursor attached to this tree, owned by the caller; null with
    // ErrNoCursorMemory when it cannot be allocated.
    virtual TSortedTreeCursor* CreateCursor();

    std::int32_t GetLastError() const { return LastError; }
    std::int32_t GetState() const { return State; }
    TSortedTreeNode* GetRoot() const { return Root; }

protected:
    // Called around attaching and detaching a cursor: after = 0 before the
    // change, 1 after it.
    virtual void OnCursorAttach(int after, TSortedTreeCursor* cursor);
    virtual void OnCursorDetach(int after, TSortedTreeCursor* cursor);

private:
    friend class TSortedTreeCursor;

    void Rotate(TSortedTreeNode* x, TSortedTreeNode* y);
    bool RepairRedPair(TSortedTreeNode* x);
    void DetachCursor(TSortedTreeCursor* cursor);

    std::int32_t State = StateIdle;
    std::int32_t LastError = ErrNone;
    TSortedTreeNode* Root = nullptr;
    std::int16_t Sorted = 1;
    std::int16_t AllowDuplicates = 0;
    TSortedTreeCursor* Cursors = nullptr;
};
