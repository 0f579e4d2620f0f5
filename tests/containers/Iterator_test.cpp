#include "ValVector.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Vector = TValVector<int>;
using Iterator = TCollectionIterator<int>;
using Searcher = TCollectionSearcher<int>;

Vector Filled(std::initializer_list<int> values) {
    Vector v;
    for (int x : values) v.InsertLast(x);
    return v;
}

template <class E, class F>
void ExpectTraversalError(F&& operation, int code, const char* source) {
    try {
        operation();
        ADD_FAILURE() << "no exception, expected code " << code;
    } catch (const E& e) {
        EXPECT_EQ(code, e.GetErrorCode());
        EXPECT_STREQ(source, e.GetSource());
        EXPECT_STREQ(code == 1 ? "Attempt to operate on empty collection" : "Attempt to operate out of bounds",
                     e.GetDescription());
        const bool base = std::strcmp(source, "class TCollectionSearcher") == 0;
        EXPECT_STREQ(base ? "collection" : "ValVector", e.GetModule());
        EXPECT_GT(e.GetLine(), 0);
    }
}
template <class F>
void ExpectIteratorError(F&& operation, int code) {
    ExpectTraversalError<TCollectionIteratorException>(operation, code, "class TValVectorIterator");
}
template <class F>
void ExpectSearcherError(F&& operation, int code, const char* source = "class TValVectorSearcher") {
    ExpectTraversalError<TCollectionSearcherException>(operation, code, source);
}

TEST(ValVectorIterator, MovesWithinTheVectorAndRefusesToLeaveIt) {
    Vector v = Filled({10, 11, 12});
    const std::unique_ptr<Iterator> it(v.CreateIterator());
    EXPECT_TRUE(it->IsFirst());
    EXPECT_EQ(10, *it->Current());
    it->SetPosition(1);
    EXPECT_TRUE(it->Move(1, Iterator::Forward));
    EXPECT_EQ(2u, it->GetPosition());
    EXPECT_TRUE(it->IsLast());
    EXPECT_FALSE(it->Move(1, Iterator::Forward));
    EXPECT_EQ(2u, it->GetPosition());
    it->SetPosition(1);
    EXPECT_FALSE(it->Move(2, Iterator::Backward));
    EXPECT_FALSE(it->Move(1, 7));  // no such direction
    EXPECT_EQ(1u, it->GetPosition());
    EXPECT_TRUE(it->Move(1, Iterator::Backward));
    EXPECT_TRUE(it->IsFirst());
    EXPECT_FALSE(it->IsLast());
    EXPECT_EQ(10, *it->Current());
}

TEST(ValVectorIterator, ReportsEmptyVectorsAndPositionsOutOfBounds) {
    Vector v;
    const std::unique_ptr<Iterator> it(v.CreateIterator());
    EXPECT_EQ(nullptr, it->Current());
    EXPECT_EQ(0u, it->GetPosition());
    EXPECT_FALSE(it->IsLast());
    ExpectIteratorError([&] { it->SetPosition(0); }, 1);
    ExpectIteratorError([&] { it->Move(0, Iterator::Forward); }, 1);

    v.InsertLast(1, 4);
    ExpectIteratorError([&] { it->SetPosition(4); }, 2);
    it->SetPosition(3);
    v.RemoveLast(2);  // the vector shrinks below the position
    ExpectIteratorError([&] { it->Current(); }, 2);
    ExpectIteratorError([&] { it->Move(1, Iterator::Backward); }, 2);
    EXPECT_EQ(3u, it->GetPosition());
}

// Records the visited values and stops after `limit` of them.
struct Recorder : TCollectionVisitor<int> {
    explicit Recorder(size_t limit) : limit(limit) {}
    unsigned short Visit(int* element) override {
        seen.push_back(*element);
        return seen.size() < limit ? 2 : 0;  // any nonzero answer goes on
    }
    size_t limit;
    std::vector<int> seen;
};

TEST(ValVectorIterator, ForEachVisitsARunAndAnswersItsLength) {
    Vector v = Filled({1, 2, 3, 4});
    const std::unique_ptr<Iterator> it(v.CreateIterator());
    Recorder all(100);
    EXPECT_EQ(3u, it->ForEach(&all, 1, 10));
    EXPECT_EQ((std::vector<int>{2, 3, 4}), all.seen);
    Recorder first(1);
    EXPECT_EQ(3u, it->ForEach(&first, 1, 10));
    EXPECT_EQ((std::vector<int>{2}), first.seen);
    Recorder two(100);
    EXPECT_EQ(2u, it->ForEach(&two, 0, 2));
    EXPECT_EQ((std::vector<int>{1, 2}), two.seen);
    EXPECT_EQ(0u, it->ForEach(nullptr, 0, 2));
    EXPECT_EQ(0u, it->ForEach(&two, 4, 2));
    EXPECT_EQ(2u, two.seen.size());
}

struct CountingIterator : TValVectorIterator<int> {
    explicit CountingIterator(TValVector<int>* v) : TCollectionIterator<int>(v), TValVectorIterator<int>(v) {}
    void NotifyPosition(bool starting) override { calls.push_back(starting); }
    std::vector<bool> calls;
};

TEST(ValVectorIterator, NotifiesAroundEveryPositionChange) {
    Vector v = Filled({1, 2});
    CountingIterator it(&v);
    it.SetPosition(1);
    EXPECT_FALSE(it.Move(1, Iterator::Forward));
    EXPECT_TRUE(it.Move(1, Iterator::Backward));
    EXPECT_EQ((std::vector<bool>{true, false, true, false}), it.calls);
}

TEST(ValVectorSearcher, FindsWithinTheRangeFromTheOffset) {
    Vector v = Filled({7, 1, 2, 7, 7});
    const std::unique_ptr<Searcher> s(v.CreateSearcher());
    unsigned int index = 99;
    EXPECT_EQ(0u, s->GetRangeLength());
    ExpectSearcherError([&] { s->Find(7, index); }, 2);  // a new searcher has an empty range
    s->SetRange(2, 3);
    EXPECT_TRUE(s->Find(7, index));
    EXPECT_EQ(3u, index);
    EXPECT_TRUE(s->Find(7, index, 2));
    EXPECT_EQ(4u, index);
    EXPECT_FALSE(s->Find(1, index, 1));
    ExpectSearcherError([&] { s->Find(7, index, 3); }, 2);
    s->SetRange(3, 3);
    ExpectSearcherError([&] { s->Find(7, index); }, 2);
    s->SetRange(6, 0);
    ExpectSearcherError([&] { s->Find(7, index); }, 2);

    s->SetRange(0, 5);
    s->SetMatchMode(MatchObject);
    EXPECT_FALSE(s->Find(7, index));
    EXPECT_TRUE(s->Find(*v.At(4), index));
    EXPECT_EQ(4u, index);

    Vector empty;
    const std::unique_ptr<Searcher> none(empty.CreateSearcher());
    EXPECT_FALSE(none->Find(7, index));
    ExpectSearcherError([&] { none->CountMatches(7); }, 1, "class TCollectionSearcher");
    ExpectSearcherError([&] { none->Contains(7); }, 1, "class TCollectionSearcher");
}

TEST(ValVectorSearcher, CountsMatchesAndChecksContainmentInTheWholeVector) {
    Vector v = Filled({4, 0, 4, 4, 1});
    const std::unique_ptr<Searcher> s(v.CreateSearcher());
    s->SetRange(0, 5);
    EXPECT_EQ(3u, s->CountMatches(4));
    EXPECT_EQ(1u, s->CountMatches(1));  // a match on the last item of the range
    EXPECT_EQ(0u, s->CountMatches(9));
    s->SetRange(3, 0);  // an empty range leaves no offset to search from
    ExpectSearcherError([&] { s->CountMatches(4); }, 2);
    s->SetRange(1, 2);
    EXPECT_EQ(1u, s->CountMatches(4));
    ExpectSearcherError([&] { s->SetRange(5, 0); s->CountMatches(4); }, 2, "class TCollectionSearcher");
    ExpectSearcherError([&] { s->SetRange(2, 4); s->CountMatches(4); }, 2, "class TCollectionSearcher");

    s->SetRange(1, 1);
    EXPECT_TRUE(s->Contains(1));
    EXPECT_FALSE(s->Contains(3));
    EXPECT_EQ(1u, s->GetRangeStart());
    EXPECT_EQ(1u, s->GetRangeLength());
}

// Records the range and mode hooks with the values they see.
struct CountingSearcher : TValVectorSearcher<int> {
    explicit CountingSearcher(TValVector<int>* v) : TCollectionSearcher<int>(v), TValVectorSearcher<int>(v) {}
    void NotifyRange(bool starting) override {
        calls.push_back(std::string(starting ? "range+ " : "range- ") + std::to_string(RangeStart) + " " +
                        std::to_string(RangeLength));
    }
    void NotifyMatchMode(bool starting, int mode) override {
        calls.push_back(std::string(starting ? "mode+ " : "mode- ") + std::to_string(MatchMode) + " " +
                        std::to_string(mode));
    }
    std::vector<std::string> calls;
};

TEST(ValVectorSearcher, ContainsSearchesTheWholeVectorAndRestoresTheRange) {
    Vector v = Filled({4, 0, 4, 4, 1});
    CountingSearcher s(&v);
    s.SetRange(1, 1);
    s.SetMatchMode(MatchValue);
    EXPECT_TRUE(s.Contains(1));  // outside the searcher's own range
    EXPECT_EQ((std::vector<std::string>{"range+ 0 0", "range- 1 1", "mode+ 0 0", "mode- 0 0", "range+ 1 1",
                                        "range- 0 5", "range+ 0 5", "range- 1 1"}),
              s.calls);
}

}  // namespace
