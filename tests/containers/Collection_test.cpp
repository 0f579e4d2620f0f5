#include "ValVector.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../support/AllocFail.h"

namespace {

// Writes every notification it gets as one short line.
struct Log : TCollectionObserver<int> {
    void SetCollection(TCollection<int>* collection) override {
        lines.push_back(collection ? "attached" : "cleared");
        TCollectionObserver<int>::SetCollection(collection);
    }
    void CollectionDestroyed() override { lines.push_back("gone"); }
    void OnInsert(bool s, const int& item, unsigned int index, unsigned int count) override {
        Add("insert", s, index, count, &item);
    }
    void OnRemove(bool s, unsigned int index, unsigned int count, const int* element) override {
        Add("remove", s, index, count, element);
    }
    void OnChange(bool s, const int* value) override { Add("change", s, 0, 0, value); }
    void OnIteratorCreated(bool s, TCollectionIterator<int>* it) override { Add("iterator", s, 0, 0, it); }
    void OnSearcherCreated(bool s, TCollectionSearcher<int>* se) override { Add("searcher", s, 0, 0, se); }

    void Add(const char* what, bool s, unsigned int index, unsigned int count, const int* value) {
        lines.push_back(std::string(what) + (s ? "+ " : "- ") + std::to_string(index) + " " +
                        std::to_string(count) + (value ? " " + std::to_string(*value) : ""));
    }
    void Add(const char* what, bool s, unsigned int, unsigned int, const void* object) {
        lines.push_back(std::string(what) + (s ? "+" : "-") + (object ? " object" : ""));
    }
    std::vector<std::string> lines;
};

// A vector that uses the collection's own searcher-based Remove and Detach
// and lets the tests raise a change notification.
struct SearchingVector : TValVector<int> {
    void Remove(const int& item) override { TCollection<int>::Remove(item); }
    int* Detach(const int& item) override { return TCollection<int>::Detach(item); }
    void Change(const int* value) {
        OnChange(true, value);
        OnChange(false, value);
    }
};

TEST(Collection, ForwardsChangesToItsObserverUntilEitherIsGone) {
    Log log;
    {
        SearchingVector v;
        v.AttachObserver(&log);
        EXPECT_EQ(&v, log.GetCollection());
        v.InsertLast(5, 2);
        v.RemoveAt(0);
        v.InsertLast(6);
        delete v.DetachAt(0, 2);
        v.InsertLast(7, 2);
        v.RemoveAll();
        delete v.CreateIterator();
        delete v.CreateSearcher();
        const int value = 3;
        v.Change(&value);
    }
    EXPECT_EQ(nullptr, log.GetCollection());
    const std::vector<std::string> expected = {
        "attached", "insert+ 0 2 5", "insert- 0 2 5", "remove+ 0 1 5", "remove- 0 1",
        "insert+ 1 1 6", "insert- 1 1 6", "remove+ 0 2 5", "remove- 0 2 5",
        "insert+ 0 2 7", "insert- 0 2 7", "remove+ 0 1 7", "remove+ 1 1 7", "remove- 0 1", "remove- 1 1",
        "iterator+", "iterator- object", "searcher+", "searcher- object", "change+ 0 0 3", "change- 0 0 3",
        "cleared", "gone"};
    EXPECT_EQ(expected, log.lines);

    SearchingVector v;
    {
        Log shortLived;
        v.AttachObserver(&shortLived);
        v.AttachObserver(&log);  // replaces the first one
        EXPECT_EQ(nullptr, shortLived.GetCollection());
        Log thief;
        v.AttachObserver(&thief);
        EXPECT_EQ(nullptr, log.GetCollection());
    }
    EXPECT_EQ(nullptr, v.GetObserver());  // a destroyed observer detached itself
    v.InsertLast(1);
}

TEST(Collection, RemovesAndDetachesThroughASearcher) {
    SearchingVector v;
    for (int x : {3, 4, 3, 5}) v.InsertLast(x);
    v.Remove(3);
    v.Remove(9);
    const std::unique_ptr<int> five(v.Detach(5));
    ASSERT_NE(nullptr, five);
    EXPECT_EQ(5, *five);
    EXPECT_EQ(nullptr, v.Detach(9));
    v.SetMatchMode(MatchObject);  // the searcher compares like the collection
    v.Remove(3);
    EXPECT_EQ(2u, v.GetCount());
    v.Remove(*v.At(1));
    EXPECT_EQ(4, *v.At(0));
    EXPECT_EQ(1u, v.GetCount());
    SearchingVector empty;  // nothing to find is no failure
    empty.Remove(4);
    EXPECT_EQ(nullptr, empty.Detach(4));

    // Any failure inside, here the searcher that cannot be created, becomes a general failure.
    for (bool detach : {false, true}) {
        try {
            iwtest::AllocFailScope fail(0);
            detach ? delete v.Detach(4) : v.Remove(4);
            ADD_FAILURE() << "no exception";
        } catch (const TCollectionException& e) {
            EXPECT_EQ(0, e.GetErrorCode());
            EXPECT_STREQ("class TCollection", e.GetSource());
            EXPECT_STREQ("General failure", e.GetDescription());
            EXPECT_STREQ("collection", e.GetModule());
        }
    }
    EXPECT_EQ(1u, v.GetCount());
}

// A colour without an == operator compares byte by byte.
struct RawColor {
    unsigned char unused, red, green, blue;
};

TEST(Collection, ComparesPlainElementsByTheirBytes) {
    TValVector<RawColor> a, b;
    a.InsertLast(RawColor{0, 1, 2, 3});
    b.InsertLast(RawColor{0, 1, 2, 3});
    EXPECT_TRUE(a == b);
    b.InsertLast(RawColor{9, 1, 2, 3});
    a.InsertLast(RawColor{0, 1, 2, 3});
    EXPECT_TRUE(a != b);
    a.Remove(RawColor{0, 1, 2, 3});
    EXPECT_EQ(1u, a.GetCount());
    EXPECT_TRUE(a.StoresValues());
    EXPECT_FALSE(a.IsSorted());
}

}  // namespace
