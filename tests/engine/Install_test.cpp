#include "EngineTestSupport.h"
#include <cstdlib>
#include <set>

using namespace enginetest;

namespace {

std::string Advanced(FileList list, CycleOrder order, bool wholeList, time_t now = 1000) {
    AdvanceCurrentFile(list, order, wholeList, FixedClock(now));
    return list.Current.GetText();
}

// Every result of the random order over many seeds (one per second).
std::set<std::string> RandomResults(const FileList& list, bool wholeList) {
    std::set<std::string> results;
    for (time_t t = 0; t < 200; ++t) results.insert(Advanced(list, CycleOrder::Random, wholeList, t));
    return results;
}

TEST(AdvanceCurrentFile, LogoListOrders) {
    const std::string original = ORIGINAL_ENTRY;
    FileList list = MakeList({"A", "B", "C", original}, "B");
    EXPECT_EQ(Advanced(list, CycleOrder::Forward, false), "C");
    EXPECT_EQ(Advanced(MakeList({"A", "B", "C", original}, "C"), CycleOrder::Forward, false), "A");
    EXPECT_EQ(Advanced(list, CycleOrder::Backward, false), "A");
    EXPECT_EQ(Advanced(MakeList({"A", "B", "C", original}, "A"), CycleOrder::Backward, false), "C");
    EXPECT_EQ(RandomResults(list, false), (std::set<std::string>{"A", "C"}));
    EXPECT_EQ(Advanced(list, static_cast<CycleOrder>(7), false), "B") << "unknown order keeps the file";

    // From the original, from a file not in the list, from nothing: the first entry.
    for (CycleOrder order : {CycleOrder::Forward, CycleOrder::Backward, CycleOrder::Random}) {
        EXPECT_EQ(Advanced(MakeList({"A", original}, original), order, false), "A");
        EXPECT_EQ(Advanced(MakeList({"A", "B", original}, "gone.bmp"), order, false), "A");
        EXPECT_EQ(Advanced(MakeList({"A", "B", original}, ""), order, false), "A");
    }
    // A list whose backup is missing has no original entry: every file cycles.
    EXPECT_EQ(Advanced(MakeList({"A", "B", "C"}, "B"), CycleOrder::Forward, false), "C");
    EXPECT_EQ(Advanced(MakeList({"A", "B", "C"}, "A"), CycleOrder::Backward, false), "C");
    EXPECT_EQ(RandomResults(MakeList({"A", "B", "C"}, "A"), false), (std::set<std::string>{"B", "C"}));
}

TEST(AdvanceCurrentFile, ShortLists) {
    FileList empty = MakeList({}, "kept");
    EXPECT_EQ(Advanced(empty, CycleOrder::Forward, true), "kept");
    EXPECT_EQ(Advanced(MakeList({"only"}, ""), CycleOrder::Backward, true), "only");
    EXPECT_EQ(Advanced(MakeList({ORIGINAL_ENTRY}, "x"), CycleOrder::Forward, false), ORIGINAL_ENTRY);
    // Two entries at random alternate.
    EXPECT_EQ(Advanced(MakeList({"A", "B"}, "A"), CycleOrder::Random, true), "B");
    EXPECT_EQ(Advanced(MakeList({"A", "B"}, "B"), CycleOrder::Random, true), "A");
}

TEST(AdvanceCurrentFile, WallpaperListUsesEveryEntry) {
    FileList list = MakeList({"A", "B", "C"}, "C");
    EXPECT_EQ(Advanced(list, CycleOrder::Forward, true), "A");
    EXPECT_EQ(Advanced(list, CycleOrder::Backward, true), "B");
    EXPECT_EQ(RandomResults(list, true), (std::set<std::string>{"A", "B"}));
    // Even an entry that reads like the original is an ordinary wallpaper.
    EXPECT_EQ(Advanced(MakeList({"A", ORIGINAL_ENTRY}, "A"), CycleOrder::Forward, true), ORIGINAL_ENTRY);
}

class InstallTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        settings = DefaultSettings();
    }
    std::string Target(Category c) { return LogoTargetName(c, settings).GetText(); }
    AppSettings settings;
    FileListSet lists;
};

TEST_F(InstallTest, TargetNames) {
    EXPECT_EQ(Target(Category::Signon), "M:\\Logo.sys");
    EXPECT_EQ(Target(Category::Shutdown), WindowsDir() + "Logow.sys");
    EXPECT_EQ(Target(Category::Signoff), WindowsDir() + "Logos.sys");
    settings.BootDrive = "d";
    EXPECT_EQ(Target(Category::Signon), "d:\\Logo.sys");
}

TEST_F(InstallTest, CopiesByteForByte) {
    const std::string signon = BinaryContent(1000, 1), shutdown = BinaryContent(9000, 2);
    WriteBytes("signon.bmp", signon);
    WriteBytes("C:\\iwengine\\work\\shutdown.sys", shutdown);
    WriteBytes("empty.bmp", "");
    WriteBytes(Target(Category::Signoff), "old");
    lists[0].Current = "signon.bmp";
    lists[1].Current = "C:\\iwengine\\work\\shutdown.sys";
    lists[2].Current = "empty.bmp";
    lists[3].Current = "signon.bmp";
    InstallLogos(settings, lists);
    EXPECT_EQ(ReadBytes(Target(Category::Signon)), signon);
    EXPECT_EQ(ReadBytes(Target(Category::Shutdown)), shutdown);
    EXPECT_EQ(ReadBytes(Target(Category::Signoff)), "") << "an empty file copies as an empty target";
    EXPECT_TRUE(Boxes().empty());

    // No current file: the category is skipped and its target stays.
    lists[1].Current = "";
    lists[0].Current = "empty.bmp";
    InstallLogos(settings, lists);
    EXPECT_EQ(ReadBytes(Target(Category::Shutdown)), shutdown);
    EXPECT_EQ(ReadBytes(Target(Category::Signon)), "");
    EXPECT_FALSE(Exists(Target(Category::Signon) + ".tmp"));
}

TEST_F(InstallTest, OriginalEntryInstallsTheBackup) {
    CreateDirectoryA("OriginalLogos", NULL);
    const std::string backup = BinaryContent(700, 3);
    WriteBytes("OriginalLogos\\Logo.sys", backup);
    lists[0].Current = ORIGINAL_ENTRY;
    InstallLogos(settings, lists);
    EXPECT_EQ(ReadBytes(Target(Category::Signon)), backup);
    EXPECT_STREQ(lists[0].Current.GetText(), ".\\OriginalLogos\\Logo.sys");
    EXPECT_TRUE(Boxes().empty());

    // Without a backup there was no Logo.sys before the first run: deleting
    // it brings Windows' own start-up screen back, which is what was asked
    // for, so no message. The same at every later installation, from the
    // current file as it was saved.
    RemoveFile("OriginalLogos\\Logo.sys");
    lists[0].Current = ORIGINAL_ENTRY;
    InstallLogos(settings, lists);
    EXPECT_FALSE(Exists(Target(Category::Signon)));
    EXPECT_STREQ(lists[0].Current.GetText(), ".\\OriginalLogos\\Logo.sys");
    InstallLogos(settings, lists);
    WriteBytes(Target(Category::Signon), "installed");
    InstallLogos(settings, lists);
    EXPECT_FALSE(Exists(Target(Category::Signon)));
    EXPECT_TRUE(Boxes().empty());

    // A Logo.sys that cannot be deleted is a real failure.
    WriteBytes(Target(Category::Signon), "installed");
    SetFileAttributesA(Target(Category::Signon).c_str(), FILE_ATTRIBUTE_READONLY);
    InstallLogos(settings, lists);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].Owner, nullptr);
    EXPECT_EQ(Boxes()[0].Text, "Unable to create file M:\\Logo.sys");
    EXPECT_EQ(Boxes()[0].Caption, "Error");
    EXPECT_EQ(Boxes()[0].Type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(ReadBytes(Target(Category::Signon)), "installed");

    // The backups of the other two are no such case: a missing one fails.
    lists[0].Current = "";
    lists[1].Current = ORIGINAL_ENTRY;
    InstallLogos(settings, lists);
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].Text, "Unable to create file " + Target(Category::Shutdown));
}

TEST_F(InstallTest, FailuresReportAndKeepTargets) {
    const std::string shutdownOld = BinaryContent(5000, 4), signoffOld = BinaryContent(300, 5);
    WriteBytes(Target(Category::Shutdown), shutdownOld);
    WriteBytes(Target(Category::Signoff), signoffOld);
    SetFileAttributesA(Target(Category::Signoff).c_str(), FILE_ATTRIBUTE_READONLY);
    WriteBytes("good.bmp", "good");
    lists[0].Current = "good.bmp";
    lists[1].Current = "missing.bmp";   // source does not exist
    lists[2].Current = "good.bmp";      // target is read-only
    InstallLogos(settings, lists);

    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].Text, "Unable to create file " + Target(Category::Shutdown));
    EXPECT_EQ(Boxes()[1].Text, "Unable to create file " + Target(Category::Signoff));
    EXPECT_EQ(ReadBytes(Target(Category::Signon)), "good");
    EXPECT_EQ(ReadBytes(Target(Category::Shutdown)), shutdownOld);
    EXPECT_EQ(ReadBytes(Target(Category::Signoff)), signoffOld);
    EXPECT_FALSE(Exists(Target(Category::Signoff) + ".tmp"));
    EXPECT_FALSE(Exists(Target(Category::Signoff) + ".part"));

    // Signon with a missing source: reported, then its target is deleted.
    lists[0].Current = "missing.bmp";
    lists[1].Current = lists[2].Current = "";
    InstallLogos(settings, lists);
    EXPECT_EQ(Boxes().back().Text, "Unable to create file M:\\Logo.sys");
    EXPECT_FALSE(Exists(Target(Category::Signon)));
}

TEST_F(InstallTest, CopyFileBytes) {
    const std::string bytes = BinaryContent(4096 * 3 + 17, 6);
    WriteBytes("src.bin", bytes);
    EXPECT_TRUE(CopyFileBytes("dst.bin", "src.bin"));
    EXPECT_EQ(ReadBytes("dst.bin"), bytes);

    EXPECT_FALSE(CopyFileBytes("dst.bin", "nothing.bin"));
    EXPECT_EQ(ReadBytes("dst.bin"), bytes) << "a missing source leaves the target";
    EXPECT_FALSE(CopyFileBytes("new.bin", "nothing.bin"));
    EXPECT_FALSE(Exists("new.bin"));
    EXPECT_FALSE(CopyFileBytes("no-folder\\dst.bin", "src.bin"));

    // Copying a file over itself keeps it whole.
    EXPECT_TRUE(CopyFileBytes("src.bin", "src.bin"));
    EXPECT_EQ(ReadBytes("src.bin"), bytes);

    // A target that holds the bytes already is left as it is (not written
    // again); one of the same size with other bytes is replaced.
    FILETIME old = {0x12345600u, 0x01a00000u};
    const auto sameTime = [&old](const char* path) {
        WIN32_FIND_DATAA data = {};
        HANDLE find = FindFirstFileA(path, &data);
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
        return CompareFileTime(&old, &data.ftLastWriteTime) == 0;
    };
    HANDLE file = CreateFileA("dst.bin", GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFileTime(file, NULL, NULL, &old);
    CloseHandle(file);
    EXPECT_TRUE(CopyFileBytes("dst.bin", "src.bin"));
    EXPECT_TRUE(sameTime("dst.bin"));
    std::string changed = bytes;
    changed[changed.size() - 1] ^= 1;
    WriteBytes("src.bin", changed);
    EXPECT_TRUE(CopyFileBytes("dst.bin", "src.bin"));
    EXPECT_EQ(ReadBytes("dst.bin"), changed);
    EXPECT_FALSE(sameTime("dst.bin"));
    // A read-only target fails as ever, whatever it holds.
    SetFileAttributesA("dst.bin", FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(CopyFileBytes("dst.bin", "src.bin"));
    WriteBytes("src.bin", bytes);
    EXPECT_FALSE(CopyFileBytes("dst.bin", "src.bin"));
    EXPECT_EQ(ReadBytes("dst.bin"), changed);
    SetFileAttributesA("dst.bin", FILE_ATTRIBUTE_NORMAL);

    EXPECT_TRUE(FileExists("src.bin"));
    EXPECT_FALSE(FileExists("nothing.bin"));
    EXPECT_FALSE(FileExists(""));
}

}  // namespace

TEST(AdvanceCurrentFile, RandomReachesEveryPartOfALongList) {
    // The C runtime's rand() has 15 bits: a list longer than 32,768 entries
    // must still be able to land on its last entries.
    const unsigned int count = 40000;
    FileList list;
    list.Entries = TValVector<TCharString>(count, 1);
    char name[16];
    for (unsigned int i = 0; i < count; ++i) {
        wsprintfA(name, "%u", i);
        list.Entries.InsertLast(TCharString(name));
    }
    unsigned int beyond = 0;
    for (time_t t = 0; t < 200; ++t) {
        list.Current = "0";
        AdvanceCurrentFile(list, CycleOrder::Random, true, FixedClock(t));
        const unsigned long picked = strtoul(list.Current.GetText(), NULL, 10);
        ASSERT_LT(picked, count);
        EXPECT_NE(picked, 0ul);
        if (picked > 32767) ++beyond;
    }
    EXPECT_GT(beyond, 10u) << "entries past 32,767 are chosen about a fifth of the time";
}
