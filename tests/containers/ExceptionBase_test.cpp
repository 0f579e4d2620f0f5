#include "ExceptionBase.h"

#include <climits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "../support/AllocFail.h"

namespace {

const std::string Separator = "\nv------v Previous Exception v------v\n\n";

// The report as a string; "<null>" when there is none.
std::string ReportOf(const TExceptionBase& e)
{
    std::unique_ptr<char[]> report(e.GetReport());
    return report ? std::string(report.get()) : std::string("<null>");
}

TEST(ExceptionBase, ReportListsPresentSectionsInFixedOrder)
{
    const TExceptionBase all("class TValVector", "ValVector", 42, "Unable to allocate memory",
                             "Close some programs");
    EXPECT_EQ("Source: class TValVector\n"
              "Module: ValVector\n"
              "Line #: 42\n"
              "[User Description]\nClose some programs\n"
              "[Description]\nUnable to allocate memory\n",
              ReportOf(all));

    EXPECT_EQ("[Description]\nSeek failure!\n",
              ReportOf(TExceptionBase(nullptr, nullptr, 0, "Seek failure!", nullptr)));
    EXPECT_EQ("Module: m.cpp\nLine #: -5\n", ReportOf(TExceptionBase("", "m.cpp", -5, "", nullptr)));
    EXPECT_EQ("Line #: -2147483648\n", ReportOf(TExceptionBase(nullptr, nullptr, INT_MIN, nullptr, nullptr)));
}

TEST(ExceptionBase, NothingToReportGivesNullButKeepsTheTexts)
{
    EXPECT_EQ("<null>", ReportOf(TExceptionBase(nullptr, nullptr, 0, nullptr, nullptr)));
    const TExceptionBase empty("", "", 0, "", "");
    EXPECT_EQ("<null>", ReportOf(empty));
    ASSERT_NE(nullptr, empty.GetSource());
    EXPECT_STREQ("", empty.GetSource());
    EXPECT_STREQ("", empty.GetUserDescription());
}

TEST(ExceptionBase, DerivedClassesCarryTheirCodeAndNoUserDescription)
{
    try {
        throw TCharStringException(1, "class TCharString", "CharString", 7, "Unable to allocate memory");
    } catch (const TCharStringException& derived) {
        const TExceptionBase& e = derived;
        EXPECT_EQ(1, derived.GetErrorCode());
        EXPECT_EQ(nullptr, e.GetUserDescription());
        EXPECT_EQ("Source: class TCharString\nModule: CharString\nLine #: 7\n"
                  "[Description]\nUnable to allocate memory\n",
                  ReportOf(e));
    }
    try {
        throw TDataFileException(6, "TDataFile::Write(const void *, size_t)", "FileSystem", 9,
                                 "Unable to write to stream!");
    } catch (const TDataFileException& thrown) {
        const TDataFileException e(thrown);
        EXPECT_EQ(6, e.GetErrorCode());
        EXPECT_STREQ("Unable to write to stream!", e.GetDescription());
    }
}

TEST(ExceptionBase, ChainRendersNewestFirst)
{
    const TCollectionException oldest(1, "class TValVector", "ValVector", 10, "Unable to allocate memory");
    const TImageException middle(1, "TImage::CopyInstance(const TImage&)", "Image", 20,
                                 "Unable to allocate image buffer!", &oldest);
    const TExceptionBase newest("Reader", nullptr, 30, "Cannot show file", nullptr, &middle);

    const std::string oldBlock = "Source: class TValVector\nModule: ValVector\nLine #: 10\n"
                                 "[Description]\nUnable to allocate memory\n";
    const std::string middleBlock = "Source: TImage::CopyInstance(const TImage&)\nModule: Image\nLine #: 20\n"
                                    "[Description]\nUnable to allocate image buffer!\n";
    EXPECT_EQ(middleBlock + Separator + oldBlock + "\n", ReportOf(middle));
    EXPECT_EQ("Source: Reader\nLine #: 30\n[Description]\nCannot show file\n" + Separator + middleBlock +
                  Separator + oldBlock + "\n\n",
              ReportOf(newest));
    // Nothing but the report is taken over from the previous exception.
    EXPECT_STREQ("Reader", newest.GetSource());
    EXPECT_EQ(nullptr, newest.GetModule());
}

TEST(ExceptionBase, ChainEdgeCases)
{
    const TExceptionBase silent(nullptr, nullptr, 0, nullptr, nullptr);
    EXPECT_STREQ("text", TExceptionBase(nullptr, nullptr, 0, "text", nullptr, &silent).GetDescription());

    const TExceptionBase previous(nullptr, nullptr, 0, "old", nullptr);
    EXPECT_EQ(Separator + "[Description]\nold\n",
              TExceptionBase(nullptr, nullptr, 0, nullptr, nullptr, &previous).GetDescription());
    // An empty new text is still a text: its line feed comes before the separator.
    EXPECT_EQ("\n" + Separator + "[Description]\nold\n",
              TExceptionBase(nullptr, nullptr, 0, "", nullptr, &previous).GetDescription());
}

TEST(ExceptionBase, CopiesAreDeepAndIndependent)
{
    auto original = std::make_unique<TCollectionException>(4, "class TValVector", "ValVector", -5,
                                                           "Attempt to operate out of bounds");
    const std::string report = ReportOf(*original);
    const TCollectionException copy(*original);
    TCollectionException assignedTo(0, nullptr, nullptr, 0, "General failure");
    assignedTo = *original;
    assignedTo = assignedTo;
    const TCollectionException& assigned = assignedTo;
    original.reset();

    for (const TCollectionException* e : {&copy, &assigned}) {
        EXPECT_EQ(4, e->GetErrorCode());
        EXPECT_EQ(-5, e->GetLine());
        EXPECT_EQ(report, ReportOf(*e));
    }
}

TEST(ExceptionBase, SurvivesAllocationFailures)
{
    const TExceptionBase e("class TCharString", "CharString", 3, "Unable to allocate memory", nullptr);
    char* fallback;
    {
        iwtest::AllocFailScope fail(0, 1);
        fallback = e.GetReport();
    }
    ASSERT_NE(nullptr, fallback);
    EXPECT_STREQ("TExceptionBase: Unable to allocate report memory!", fallback);
    EXPECT_EQ(49u, std::string(fallback).size());
    delete[] fallback;
    {
        iwtest::AllocFailScope fail(0, 2);
        fallback = e.GetReport();
    }
    EXPECT_EQ(nullptr, fallback);

    // Construction and copying never throw; a text that cannot be copied is missing.
    iwtest::ArmAllocFailure(0, 100);
    const TCharStringException bare(1, "class TCharString", "CharString", 8, "Unable to allocate memory", &e);
    const TCharStringException copy(bare);
    iwtest::DisarmAllocFailure();
    for (const TCharStringException* x : {&bare, &copy}) {
        EXPECT_EQ(nullptr, x->GetSource());
        EXPECT_EQ(nullptr, x->GetModule());
        EXPECT_EQ(nullptr, x->GetDescription());
        EXPECT_EQ(8, x->GetLine());
        EXPECT_EQ(1, x->GetErrorCode());
    }

    // Previous report fetched, combined buffer refused: the plain new text remains.
    const TExceptionBase previous(nullptr, nullptr, 0, "old", nullptr);
    iwtest::ArmAllocFailure(1, 1);
    const TExceptionBase chained(nullptr, nullptr, 0, "new", nullptr, &previous);
    iwtest::DisarmAllocFailure();
    EXPECT_STREQ("new", chained.GetDescription());
}

}  // namespace
