#include "CharString.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../support/AllocFail.h"

namespace {

const std::string Seventy(70, 'x');

std::string TextOf(const TCharString& s)
{
    EXPECT_EQ(std::strlen(s.GetText()), s.GetLength());
    return s.GetText();
}

// Runs `change` with the next allocation refused; true when it threw the
// string's out-of-memory exception with all its texts.
template <class Change>
bool RefusedForMemory(Change change, long skip = 0)
{
    iwtest::AllocFailScope fail(skip);
    try {
        change();
    } catch (const TCharStringException& e) {
        const std::string module = e.GetModule() ? e.GetModule() : "";
        return e.GetErrorCode() == 1 && std::strcmp(e.GetSource(), "class TCharString") == 0 &&
               std::strcmp(e.GetDescription(), "Unable to allocate memory") == 0 && e.GetLine() > 0 &&
               module == "CharString";
    }
    return false;
}

// Records the change hooks as "name starting position count".
class TRecordingString : public TCharString {
public:
    using TCharString::TCharString;
    std::vector<std::string> Calls;

protected:
    void Record(const char* name, bool starting, unsigned int position = 0, unsigned int count = 0)
    {
        Calls.push_back(std::string(name) + (starting ? " 1 " : " 0 ") + std::to_string(position) + " " +
                        std::to_string(count));
    }
    void NotifyCompact(bool starting) override { Record("compact", starting); }
    void NotifyAssign(bool starting) override { Record("assign", starting); }
    void NotifyFill(bool starting, char, unsigned int position, unsigned int count) override
    {
        Record("fill", starting, position, count);
    }
    void NotifyInsert(bool starting, const char*, unsigned int position, unsigned int count) override
    {
        Record("insert", starting, position, count);
    }
    void NotifyDelete(bool starting, unsigned int position, unsigned int count) override
    {
        Record("delete", starting, position, count);
    }
};

TEST(CharString, Construction)
{
    const TCharString empty;
    EXPECT_EQ("", TextOf(empty));
    EXPECT_EQ(63u, empty.GetCapacity());
    EXPECT_EQ(63u, empty.GetBlockSize());
    EXPECT_TRUE(empty.IsCaseSensitive());
    EXPECT_EQ(0u, empty.GetWidth());
    EXPECT_EQ(' ', empty.GetFillChar());
    EXPECT_EQ(TCharString::AlignRight, empty.GetAlignment());

    const TCharString tiny(0u);
    EXPECT_EQ("", TextOf(tiny));
    EXPECT_EQ(1u, tiny.GetCapacity());

    TCharString long70(Seventy.c_str());
    EXPECT_EQ(71u, long70.GetCapacity());
    long70.Insert("y", 70);
    EXPECT_EQ(126u, long70.GetCapacity());
    EXPECT_EQ(Seventy + "y", TextOf(long70));

    EXPECT_EQ("cde", TextOf(TCharString("abcdef", 2, 3)));
    EXPECT_EQ(63u, TCharString("abcdef", 2, 3).GetCapacity());
    EXPECT_EQ(8u, TCharString("abcdef", 0, TCharString::AllChars, 8).GetCapacity());
    EXPECT_EQ("def", TextOf(TCharString("abcdef", 3, 100)));   // never past the terminator
    EXPECT_EQ("", TextOf(TCharString("abc", 9)));
    const TCharString none(nullptr, 0, TCharString::AllChars, 10);
    EXPECT_EQ("", TextOf(none));
    EXPECT_EQ(63u, none.GetBlockSize());
}

TEST(CharString, CopiesShareUntilOneChanges)
{
    TCharString source("shared");
    TCharString copy(source);
    EXPECT_EQ(source.GetText(), copy.GetText());
    copy.Insert("!", copy.GetLength());
    EXPECT_EQ("shared", TextOf(source));
    EXPECT_EQ("shared!", TextOf(copy));

    TCharString second(source);
    source.Delete(0, 1);
    EXPECT_EQ("hared", TextOf(source));
    EXPECT_EQ("shared", TextOf(second));

    TCharString assigned;
    assigned = second;
    EXPECT_EQ(second.GetText(), assigned.GetText());
    assigned = assigned;
    assigned.Assign("other");
    EXPECT_EQ("shared", TextOf(second));
    EXPECT_EQ("other", TextOf(assigned));

    // Settings travel with a copy.
    TCharString folded("x");
    folded.SetCaseSensitive(false);
    folded.SetWidth(4);
    EXPECT_FALSE(TCharString(folded).IsCaseSensitive());
    EXPECT_EQ(4u, TCharString(folded).GetWidth());
}

TEST(CharString, GroupSurvivesLossOfAnyMember)
{
    auto owner = std::make_unique<TCharString>("group text");
    const char* buffer = owner->GetText();
    auto second = std::make_unique<TCharString>(*owner);
    TCharString third(*second);
    owner.reset();
    EXPECT_EQ(buffer, second->GetText());
    EXPECT_EQ("group text", TextOf(third));
    third.Insert("!", 0);   // detaches from the new owner
    EXPECT_EQ("group text", TextOf(*second));
    EXPECT_EQ("!group text", TextOf(third));

    TCharString a("abc");
    auto middle = std::make_unique<TCharString>(a);
    TCharString c(*middle);
    middle.reset();
    EXPECT_EQ(a.GetText(), c.GetText());
    a.Assign(c);   // a member reassigned within its own group
    a.Delete(1, 1);
    EXPECT_EQ("ac", TextOf(a));
    EXPECT_EQ("abc", TextOf(c));
}

TEST(CharString, ReserveAndCompact)
{
    TCharString empty;
    empty.Reserve(0, true);
    EXPECT_EQ(63u, empty.GetCapacity());   // room enough already
    TCharString tiny(0u);
    tiny.Reserve(0, true);
    EXPECT_EQ(1u, tiny.GetCapacity());
    EXPECT_EQ("", TextOf(tiny));
    TCharString sharedEmpty(empty);
    sharedEmpty.Reserve(0, true);   // a private buffer of exactly one byte
    EXPECT_EQ(1u, sharedEmpty.GetCapacity());
    EXPECT_NE(empty.GetText(), sharedEmpty.GetText());

    TCharString s("abc");
    s.Reserve(100, true);
    EXPECT_EQ(126u, s.GetCapacity());
    EXPECT_EQ("abc", TextOf(s));
    s.Compact();
    EXPECT_EQ(63u, s.GetCapacity());
    s.Reserve(10, false);
    EXPECT_EQ("", TextOf(s));
    EXPECT_EQ(63u, s.GetCapacity());

    // A shared string gets a private buffer; too small a buffer cuts the text.
    TCharString fine("abcdef", 0, TCharString::AllChars, 1);
    const TCharString keeper(fine);
    fine.Reserve(TCharString::KeepCapacity, true);
    EXPECT_NE(keeper.GetText(), fine.GetText());
    EXPECT_EQ(7u, fine.GetCapacity());
    TCharString cut(keeper);
    cut.Reserve(3, true);
    EXPECT_EQ("ab", TextOf(cut));
    EXPECT_EQ("abcdef", TextOf(keeper));
}

TEST(CharString, EditingOperations)
{
    TCharString s("held");
    s.Insert("llo wor", 2, 4);   // "llo " only
    EXPECT_EQ("hello ld", TextOf(s));
    s.InsertFill('-', 0, 3);
    EXPECT_EQ("---hello ld", TextOf(s));
    s.Insert("+", 99);   // past the end: at the end
    EXPECT_EQ("---hello ld+", TextOf(s));
    s.Delete(0, 3);
    s.Delete(5, 100);    // only the rest goes
    EXPECT_EQ("hello", TextOf(s));
    s.Insert(s.GetText(), 0);   // from its own buffer
    EXPECT_EQ("hellohello", TextOf(s));
    s.Assign(s.GetText() + 5);
    EXPECT_EQ("hello", TextOf(s));
    s.SetWidth(8);
    s.Append(s.GetText() + 3);   // justified, from its own buffer
    EXPECT_EQ("hello      lo", TextOf(s));
    s.SetWidth(0);
    s.Delete(99, 1);             // past the end: nothing
    s.InsertFill('!', 99, 1);    // past the end: at the end
    EXPECT_EQ("hello      lo!", TextOf(s));

    // A null text counts as the empty text.
    s.Insert(nullptr, 0);
    s.Append(nullptr);
    EXPECT_EQ("hello      lo!", TextOf(s + nullptr));
    s.Assign(static_cast<const char*>(nullptr));
    EXPECT_EQ("", TextOf(s));

    TCharString big(Seventy.c_str());
    big.Insert("y", 0);
    big.Delete(0, 20);
    EXPECT_EQ(63u, big.GetCapacity());   // shrinks back to whole blocks

    const TCharString source("path\\name.bmp");
    TCharString part("old contents");
    source.CopyRange(part, 5, 4);
    EXPECT_EQ("name", TextOf(part));
    source.CopyRange(part, 5, 100);
    EXPECT_EQ("name.bmp", TextOf(part));
    TCharString sharer(source);
    sharer.CopyRange(sharer, 0, 4);
    EXPECT_EQ("path", TextOf(sharer));
    EXPECT_EQ("path\\name.bmp", TextOf(source));
    TCharString owner("abc/def");
    const TCharString mate(owner);
    mate.CopyRange(owner, 4, 3);   // the owner hands its buffer over to the source
    EXPECT_EQ("def", TextOf(owner));
    EXPECT_EQ("abc/def", TextOf(mate));
}

TEST(CharString, AppendJustifiesAndPlusConcatenates)
{
    TCharString s;
    s.SetWidth(10);
    s.SetFillChar('*');
    s.SetAlignment(TCharString::AlignCenter);
    s.Append("abc");
    EXPECT_EQ("***abc****", TextOf(s));
    s.SetAlignment(TCharString::AlignLeft);
    s.Append("de");
    s.SetAlignment(TCharString::AlignRight);
    s.Append("fgh");
    s.Append("longer than ten");
    EXPECT_EQ("***abc****de********" "*******fgh" "longer than ten", TextOf(s));

    TCharString plain("C:\\");
    plain.Append("WINDOWS");
    EXPECT_EQ("C:\\WINDOWS", TextOf(plain));

    // Results of + start with default settings, whatever the source had.
    const TCharString name = (s + '\\') + "x";
    EXPECT_EQ(TextOf(s) + "\\x", TextOf(name));
    EXPECT_EQ(0u, name.GetWidth());
    EXPECT_EQ(63u, name.GetBlockSize());
}

TEST(CharString, EqualityFollowsTheRightHandFlag)
{
    TCharString lower("logo.sys");
    TCharString upper("LOGO.SYS");
    EXPECT_TRUE(lower == TCharString("logo.sys"));
    EXPECT_FALSE(lower == upper);
    EXPECT_TRUE(lower != TCharString("logo.sy"));
    upper.SetCaseSensitive(false);
    EXPECT_TRUE(lower == upper);
    EXPECT_FALSE(upper == lower);
    TCharString bracket("[");
    bracket.SetCaseSensitive(false);
    EXPECT_FALSE(TCharString("{") == bracket);   // only letters fold
}

TEST(CharString, HooksSurroundEachChange)
{
    TRecordingString s("abc");
    s.Insert("xy", 1);
    s.InsertFill('.', 0, 2);
    s.Delete(0, 2);
    s.Assign(Seventy.c_str());
    s.Delete(5, 100);
    s.Assign(TCharString("shared"));
    EXPECT_EQ((std::vector<std::string>{"insert 1 1 2", "insert 0 1 2", "fill 1 0 2", "fill 0 0 2", "delete 1 0 2",
                                        "delete 0 0 2", "assign 1 0 0", "assign 0 0 0", "delete 1 5 65",
                                        "delete 0 5 65", "compact 1 0 0", "compact 0 0 0", "assign 1 0 0",
                                        "assign 0 0 0"}),
              s.Calls);

    TRecordingString target("previous");
    TCharString("0123456").CopyRange(target, 2, 3);
    EXPECT_EQ("234", TextOf(target));
    EXPECT_EQ((std::vector<std::string>{"delete 1 0 8", "delete 0 0 8", "insert 1 0 3", "insert 0 0 3"}),
              target.Calls);

    // A destination whose buffer is resized reports the compaction inside the deletion.
    TRecordingString wide(Seventy.c_str());
    TCharString("0123456").CopyRange(wide, 0, 2);
    EXPECT_EQ(63u, wide.GetCapacity());
    EXPECT_EQ((std::vector<std::string>{"delete 1 0 70", "compact 1 0 0", "compact 0 0 0", "delete 0 0 70",
                                        "insert 1 0 2", "insert 0 0 2"}),
              wide.Calls);

    // Justification writes only the fill it needs.
    TRecordingString padded;
    padded.SetWidth(4);
    padded.SetAlignment(TCharString::AlignLeft);
    padded.Append("ab");
    padded.SetAlignment(TCharString::AlignRight);
    padded.Append("cd");
    EXPECT_EQ("ab    cd", TextOf(padded));
    EXPECT_EQ((std::vector<std::string>{"insert 1 0 2", "insert 0 0 2", "fill 1 2 2", "fill 0 2 2", "fill 1 4 2",
                                        "fill 0 4 2", "insert 1 6 2", "insert 0 6 2"}),
              padded.Calls);
}

TEST(CharString, AllocationFailureLeavesStringUnchanged)
{
    EXPECT_TRUE(RefusedForMemory([] { TCharString s; }));
    EXPECT_TRUE(RefusedForMemory([] { TCharString s("text"); }));

    TCharString s("shared text");
    const TCharString other(s);
    auto unchanged = [&] {
        return TextOf(s) == "shared text" && s.GetText() == other.GetText() && s.GetCapacity() == 63u;
    };
    EXPECT_TRUE(RefusedForMemory([&] { s.Insert("x", 0); }));
    EXPECT_TRUE(unchanged());
    EXPECT_TRUE(RefusedForMemory([&] { s.InsertFill('x', 0, 1); }));
    EXPECT_TRUE(RefusedForMemory([&] { s.Delete(0, 1); }));
    EXPECT_TRUE(RefusedForMemory([&] { s.Assign("new"); }));
    EXPECT_TRUE(RefusedForMemory([&] { s.Reserve(200, true); }));
    s.SetWidth(20);
    EXPECT_TRUE(RefusedForMemory([&] { s.Append("x"); }));
    EXPECT_TRUE(unchanged());
    EXPECT_TRUE(RefusedForMemory([&] { s.InsertFill('x', 0, 0xFFFFFFF0u); }));   // beyond any buffer
    EXPECT_TRUE(unchanged());

    TCharString destination("keep me");
    const TCharString holder(destination);   // so that the result needs a buffer of its own
    EXPECT_TRUE(RefusedForMemory([&] { other.CopyRange(destination, 0, 6); }));
    EXPECT_EQ("keep me", TextOf(destination));

    TCharString roomy("abc");
    roomy.Reserve(200, true);
    EXPECT_TRUE(RefusedForMemory([&] { roomy.Compact(); }));
    EXPECT_EQ(252u, roomy.GetCapacity());
    // A deletion that cannot have its smaller buffer does not happen at all.
    EXPECT_TRUE(RefusedForMemory([&] { roomy.Delete(0, 1); }));
    EXPECT_EQ("abc", TextOf(roomy));
    EXPECT_EQ(252u, roomy.GetCapacity());
    roomy.Delete(0, 1);
    EXPECT_EQ("bc", TextOf(roomy));
    EXPECT_EQ(63u, roomy.GetCapacity());

    // A shared string detaches first (same capacity), then compacts: either
    // allocation failing leaves the text and its group as they were.
    TCharString big(Seventy.c_str());
    big.Insert("y", 70);
    const TCharString mate(big);
    for (long skip : {0L, 1L}) {
        EXPECT_TRUE(RefusedForMemory([&] { big.Delete(0, 60); }, skip)) << skip;
        EXPECT_EQ(Seventy + "y", TextOf(big));
        EXPECT_EQ(126u, big.GetCapacity());
    }
    EXPECT_EQ(Seventy + "y", TextOf(mate));
}

}  // namespace
