#include "ValVector.h"
#include "CharString.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../support/AllocFail.h"

namespace {

// Same layout as the palette colour: one unused byte, red, green, blue.
struct Color {
    unsigned char unused, red, green, blue;
    bool operator==(const Color& o) const {
        return unused == o.unused && red == o.red && green == o.green && blue == o.blue;
    }
};
using Colors = TValVector<Color>;
using Strings = TValVector<TCharString>;

Color Gray(unsigned char v) { return Color{0, v, v, v}; }

std::vector<int> Reds(Colors& v) {
    std::vector<int> reds;
    for (unsigned int i = 0; i < v.GetCount(); ++i) reds.push_back(v.At(i)->red);
    return reds;
}

Colors Filled(std::initializer_list<int> reds, unsigned int capacity = 1, unsigned int growBy = 1) {
    Colors v(capacity, growBy);
    for (int r : reds) v.InsertLast(Gray(static_cast<unsigned char>(r)));
    return v;
}

template <class F>
void ExpectVectorError(F&& operation, int code, const char* description, const char* source = "class TValVector") {
    try {
        operation();
        ADD_FAILURE() << "no exception, expected code " << code;
    } catch (const TCollectionException& e) {
        EXPECT_EQ(code, e.GetErrorCode());
        EXPECT_STREQ(source, e.GetSource());
        EXPECT_STREQ(description, e.GetDescription());
        const char* module = std::strcmp(source, "class TValVector") == 0 ? "ValVector" : "collection";
        EXPECT_STREQ(module, e.GetModule());
        EXPECT_GT(e.GetLine(), 0);
    }
}

const char* const NoMemory = "Unable to allocate memory";
const char* const OverLimit = "Attempt to add more items than capacity allows";
const char* const Underflow = "Attempt to remove more items than contained";
const char* const OutOfBounds = "Attempt to operate out of bounds";

TEST(ValVector, GrowsToTheNeededCountRoundedToTheIncrementButNotPastTheLimit) {
    Colors v(1, 1);
    EXPECT_EQ(1u, v.GetCapacity());
    EXPECT_EQ(Colors::Unlimited, v.GetLimit());
    for (unsigned int n = 1; n <= 4; ++n) {
        v.InsertLast(Gray(static_cast<unsigned char>(n)));
        EXPECT_EQ(n, v.GetCapacity());
    }
    Colors blocks(2, 4);
    blocks.InsertLast(Gray(1), 3);
    EXPECT_EQ(4u, blocks.GetCapacity());
    blocks.InsertLast(Gray(2), 6);  // 9 items
    EXPECT_EQ(12u, blocks.GetCapacity());
    Colors zero(0, 0);  // increment 0 counts as 1
    zero.InsertLast(Gray(1), 3);
    EXPECT_EQ(3u, zero.GetCapacity());
    Colors limited(1, 4, 5);
    limited.InsertLast(Gray(1), 2);
    EXPECT_EQ(4u, limited.GetCapacity());
    limited.InsertLast(Gray(1), 3);
    EXPECT_EQ(5u, limited.GetCapacity());
    EXPECT_TRUE(limited.IsFull());
}

// Counts the reallocations of the storage on removal.
struct ShrinkCounting : Colors {
    using Colors::Colors;
    int shrinks = 0;
    void NotifyShrink(bool starting) override { shrinks += starting; }
};

TEST(ValVector, ShrinksAfterEveryRemovalToCountOrMinimumRoundedToTheIncrement) {
    ShrinkCounting v(1, 1);
    for (int r = 0; r < 5; ++r) v.InsertLast(Gray(static_cast<unsigned char>(r)));
    v.RemoveAt(1, 2);
    EXPECT_EQ(3u, v.GetCapacity());
    v.RemoveAll();
    EXPECT_EQ(1u, v.GetCapacity());
    EXPECT_EQ(2, v.shrinks);

    ShrinkCounting blocks(4, 3);  // minimum 4 rounds up to 6
    blocks.InsertLast(Gray(1), 10);
    EXPECT_EQ(12u, blocks.GetCapacity());
    blocks.RemoveFirst(9);
    EXPECT_EQ(6u, blocks.GetCapacity());

    ShrinkCounting odd(3, 2);  // minimum 3 would round up to 4: more than there is, so no reallocation
    odd.InsertLast(Gray(1));
    odd.RemoveLast();
    EXPECT_EQ(3u, odd.GetCapacity());
    EXPECT_EQ(0, odd.shrinks);

    ShrinkCounting none(0, 5);  // nothing held and no minimum: one increment
    none.InsertLast(Gray(1), 7);
    none.RemoveAll();
    EXPECT_EQ(5u, none.GetCapacity());
}

TEST(ValVector, InsertsAndRemovesAtBothEndsAndInTheMiddle) {
    Colors v = Filled({1, 2, 3});
    v.InsertAt(Gray(9), 1, 2);
    v.InsertFirst(Gray(0));
    v.InsertAt(Gray(7), v.GetCount());  // index Count appends
    EXPECT_EQ((std::vector<int>{0, 1, 9, 9, 2, 3, 7}), Reds(v));
    v.RemoveFirst(2);
    v.RemoveLast(2);
    v.RemoveAt(1);
    EXPECT_EQ((std::vector<int>{9, 2}), Reds(v));
    // An element of the vector itself as the inserted item, in place and while growing.
    Colors self = Filled({1, 2, 3}, 8);
    self.InsertAt(*self.At(2), 0);
    self.InsertFirst(*self.At(3), 5);
    EXPECT_EQ((std::vector<int>{3, 3, 3, 3, 3, 3, 1, 2, 3}), Reds(self));
}

TEST(ValVector, MisuseThrowsTheRightCodeAndChangesNothing) {
    Colors v = Filled({1, 2, 3}, 1, 1);
    ExpectVectorError([&] { v.InsertAt(Gray(5), 4); }, 4, OutOfBounds);
    ExpectVectorError([&] { v.RemoveAt(1, 5); }, 3, Underflow);
    ExpectVectorError([&] { v.DetachAt(1, 3); }, 3, Underflow);
    ExpectVectorError([&] { v.RemoveAt(3, 1); }, 4, OutOfBounds);
    ExpectVectorError([&] { v.DetachAt(3, 1); }, 4, OutOfBounds);
    ExpectVectorError([&] { v.At(3); }, 4, OutOfBounds);
    ExpectVectorError([&] { v.RemoveLast(4); }, 3, Underflow, "class TCollection");
    ExpectVectorError([&] { v.DetachLast(4); }, 3, Underflow, "class TCollection");
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Reds(v));
    EXPECT_EQ(3u, v.GetCapacity());

    Colors limited(1, 1, 3);
    limited.InsertLast(Gray(1), 2);
    limited.InsertAt(Gray(2), 1);
    ExpectVectorError([&] { limited.InsertAt(Gray(3), 0); }, 2, OverLimit);
    ExpectVectorError([&] { limited.InsertLast(Gray(3), 0xFFFFFFFFu); }, 2, OverLimit);
    EXPECT_EQ((std::vector<int>{1, 2, 1}), Reds(limited));
}

TEST(ValVector, RemoveAndDetachFindTheFirstMatchUnderTheMatchMode) {
    Colors v = Filled({1, 2, 1, 3});
    v.Remove(Gray(8));
    EXPECT_EQ(nullptr, v.Detach(Gray(8)));
    EXPECT_EQ(4u, v.GetCount());

    const std::unique_ptr<Color> pair(v.DetachAt(0, 2));
    EXPECT_EQ(1, pair->red);  // a copy of the first removed item only
    EXPECT_EQ((std::vector<int>{1, 3}), Reds(v));

    Colors w = Filled({5, 5, 6});
    w.SetMatchMode(MatchObject);
    w.Remove(Gray(5));  // an equal value elsewhere is not the same object
    EXPECT_EQ(3u, w.GetCount());
    w.Remove(*w.At(1));
    EXPECT_EQ((std::vector<int>{5, 6}), Reds(w));
    w.SetMatchMode(MatchValueAndObject);
    const std::unique_ptr<Color> six(w.Detach(*w.At(1)));
    EXPECT_EQ(6, six->red);
    EXPECT_EQ(nullptr, w.Detach(Gray(5)));
    w.SetMatchMode(MatchValue);
    w.Remove(Gray(5));
    EXPECT_EQ(0u, w.GetCount());
}

TEST(ValVector, DetachAllHandsOverTheFirstItemAndEmptiesTheVector) {
    Colors v = Filled({4, 5, 6});
    const std::unique_ptr<Color> first(v.DetachAll());
    EXPECT_EQ(4, first->red);
    EXPECT_EQ(0u, v.GetCount());
    EXPECT_EQ(nullptr, v.DetachAll());
}

TEST(ValVector, ComparesCopiesAndAssignsByValue) {
    Colors a = Filled({1, 2, 3}, 2, 4);
    Colors b = Filled({1, 2});
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != b);
    b.InsertLast(Gray(3));
    EXPECT_TRUE(a == b);
    b.At(2)->unused = 1;  // the unused byte counts too
    EXPECT_TRUE(a != b);

    b = a;
    EXPECT_TRUE(a == b);
    EXPECT_EQ(a.GetCapacity(), b.GetCapacity());
    EXPECT_EQ(2u, b.GetMinimumCapacity());
    EXPECT_EQ(4u, b.GetGrowBy());
    b = b;
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Reds(b));
    Colors c(b);
    c.At(0)->red = 9;
    EXPECT_EQ(1, b.At(0)->red);
    EXPECT_EQ(4u, c.GetCapacity());
}

TEST(ValVector, HoldsStringsThatShareTextAndStayIndependent) {
    Strings names;
    names.InsertLast(TCharString("C:\\logos\\one.bmp"));
    names.InsertLast(TCharString("two.sys"));
    names.InsertFirst(*names.At(1));
    Strings copy(names);
    copy.At(0)->Append("!");
    EXPECT_STREQ("two.sys", names.At(0)->GetText());
    EXPECT_STREQ("two.sys!", copy.At(0)->GetText());

    TCharString upper("TWO.SYS");
    EXPECT_EQ(nullptr, names.Detach(upper));  // the probe is case-sensitive
    upper.SetCaseSensitive(false);
    const std::unique_ptr<TCharString> found(names.Detach(upper));
    EXPECT_STREQ("two.sys", found->GetText());
    EXPECT_TRUE(names != copy);
    names.RemoveAll();
    EXPECT_EQ(1u, names.GetCapacity());
}

TEST(ValVector, AllocationFailuresLeaveTheVectorUnchanged) {
    ExpectVectorError([] { iwtest::AllocFailScope fail(0); Colors v(4); }, 1, NoMemory);

    Colors v = Filled({1, 2});
    const Colors other = Filled({7, 8, 9});
    ExpectVectorError([&] { iwtest::AllocFailScope fail(0); v.InsertAt(Gray(3), 1); }, 1, NoMemory);
    ExpectVectorError([&] { iwtest::AllocFailScope fail(0); v.DetachAt(0); }, 1, NoMemory);
    ExpectVectorError([&] { iwtest::AllocFailScope fail(0); v.CreateSearcher(); }, 1, NoMemory);
    ExpectVectorError([&] { iwtest::AllocFailScope fail(0); v.CreateIterator(); }, 1, NoMemory);
    ExpectVectorError([&] { iwtest::AllocFailScope fail(0); v = other; }, 1, NoMemory);
    ExpectVectorError([&] { iwtest::AllocFailScope fail(0); Colors copy(other); }, 1, NoMemory);
    EXPECT_EQ((std::vector<int>{1, 2}), Reds(v));
    EXPECT_EQ(2u, v.GetCapacity());
    {
        iwtest::AllocFailScope fail(0);  // a shrink that fails is no error
        v.RemoveAt(0);
    }
    EXPECT_EQ((std::vector<int>{2}), Reds(v));
    EXPECT_EQ(2u, v.GetCapacity());

    // Growing a string vector allocates the array, then one buffer per slot.
    Strings names;
    names.InsertLast(TCharString("a"));
    const TCharString empty;
    for (long skip = 0; skip < 4; ++skip)
        ExpectVectorError([&] { iwtest::AllocFailScope fail(skip); names.InsertLast(empty, 2); }, 1, NoMemory);
    EXPECT_EQ(1u, names.GetCount());
    EXPECT_EQ(1u, names.GetCapacity());
    EXPECT_STREQ("a", names.At(0)->GetText());
    names.InsertLast(empty, 2);
    EXPECT_EQ(3u, names.GetCapacity());
}

}  // namespace
