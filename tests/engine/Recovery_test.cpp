// Files replaced through their temporary copies, and what a power cut leaves.
// On Windows 9x a file is replaced by deleting it and renaming its complete
// copy "<name>.tmp" (written as "<name>.part" until complete); a power cut
// between the two leaves the copy alone, which the next load puts back.
#include "EngineTestSupport.h"
#include <cstdlib>

using namespace enginetest;

namespace {

class RecoveryTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        settings = DefaultSettings();
    }
    std::string Target(Category c) { return LogoTargetName(c, settings).GetText(); }
    std::string ListName(Category c) { return settings[c].ListFileName.GetText(); }
    std::string CurrentName(Category c) { return settings[c].CurrentFileName.GetText(); }
    AppSettings settings;
};

// The test command runs these tests once in a prefix that reports Windows NT
// and once in one that reports Windows 95, and says which through
// IW_EXPECT_WINDOWS: each run must really take its own replacement path.
TEST_F(RecoveryTest, RunsOnThePlatformTheTestCommandChose) {
    const char* expected = getenv("IW_EXPECT_WINDOWS");
    const bool is9x = (GetVersion() & 0x80000000) != 0;
    if (!expected || !*expected) GTEST_SKIP() << "IW_EXPECT_WINDOWS not set; GetVersion says " << (is9x ? "9x" : "NT");
    EXPECT_EQ(std::string(expected), is9x ? "9x" : "nt") << "GetVersion " << std::hex << GetVersion();
}

TEST_F(RecoveryTest, ListAndCurrentFileComeBackFromTheirCompleteCopies) {
    // A power cut while the Signon list was replaced: only its ".tmp" is left.
    WriteBytes(ListName(Category::Signon) + ".tmp", "a.sys\r\nb.sys\r\n");
    WriteBytes(CurrentName(Category::Signon), "b.sys\r\n");
    FileList list;
    LoadFileList(Category::Signon, settings[Category::Signon], list);
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"a.sys", "b.sys", ORIGINAL_ENTRY}));
    EXPECT_STREQ(list.Current.GetText(), "b.sys");
    EXPECT_EQ(ReadBytes(ListName(Category::Signon)), "a.sys\r\nb.sys\r\n");
    EXPECT_FALSE(Exists(ListName(Category::Signon) + ".tmp"));

    // The same for the current-file file, of the wallpaper this time.
    WriteBytes(ListName(Category::Wallpaper), "w1.bmp\r\nw2.bmp\r\n");
    WriteBytes(CurrentName(Category::Wallpaper) + ".tmp", "w2.bmp\r\n");
    list = FileList();
    LoadFileList(Category::Wallpaper, settings[Category::Wallpaper], list);
    EXPECT_STREQ(list.Current.GetText(), "w2.bmp");
    EXPECT_EQ(ReadBytes(CurrentName(Category::Wallpaper)), "w2.bmp\r\n");
    EXPECT_FALSE(Exists(CurrentName(Category::Wallpaper) + ".tmp"));

    // A torn copy (cut while being written) is never taken: the list stays
    // as it was in memory and the file stays missing.
    WriteBytes(ListName(Category::Shutdown) + ".part", "half a na");
    WriteBytes(CurrentName(Category::Shutdown), "x\r\n");
    list = MakeList({"kept"}, "kept");
    LoadFileList(Category::Shutdown, settings[Category::Shutdown], list);
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"kept"}));
    EXPECT_FALSE(Exists(ListName(Category::Shutdown)));

    // A copy beside a file that is still there is what is left of a
    // replacement that never happened: the file wins, the copy goes, and a
    // later deletion of the file does not bring the copy back.
    WriteBytes(ListName(Category::Signoff), "old\r\n");
    WriteBytes(ListName(Category::Signoff) + ".tmp", "new\r\n");
    WriteBytes(CurrentName(Category::Signoff), "old\r\n");
    list = FileList();
    LoadFileList(Category::Signoff, settings[Category::Signoff], list);
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"old"}));
    EXPECT_FALSE(Exists(ListName(Category::Signoff) + ".tmp"));

    // After a save nothing temporary is left beside either file.
    ASSERT_TRUE(SaveFileList(Category::Signon, settings[Category::Signon], MakeList({"c.sys"}, "c.sys")));
    EXPECT_EQ(ReadBytes(ListName(Category::Signon)), "c.sys\r\n");
    for (const std::string& name : {ListName(Category::Signon), CurrentName(Category::Signon)})
        for (const char* suffix : {".tmp", ".part"}) EXPECT_FALSE(Exists(name + suffix)) << name << suffix;
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(RecoveryTest, LogoTargetsAndBackupsComeBackBeforeTheInstallation) {
    const std::string shutdown = BinaryContent(3000, 7), signoff = BinaryContent(900, 8),
                      original = BinaryContent(1200, 9), signon = BinaryContent(2000, 10);
    // Cut between delete and rename: Logow.sys only as its copy.
    WriteBytes(Target(Category::Shutdown) + ".tmp", shutdown);
    // Cut while the copy was written: Logos.sys stays missing.
    WriteBytes(Target(Category::Signoff) + ".part", signoff.substr(0, 100));
    // The first run's backup of the original start-up screen, cut before its rename.
    CreateDirectoryA("OriginalLogos", NULL);
    WriteBytes("OriginalLogos\\Logo.sys.tmp", original);
    // Logo.sys only as its copy too, but Signon installs a new file at once.
    WriteBytes(Target(Category::Signon) + ".tmp", BinaryContent(10, 11));
    WriteBytes("signon.bmp", signon);

    FileListSet lists;
    lists[Index(Category::Signon)].Current = "signon.bmp";
    InstallLogos(settings, lists);   // Shutdown and Signoff have no current file: not installed
    EXPECT_EQ(ReadBytes(Target(Category::Shutdown)), shutdown);
    EXPECT_FALSE(Exists(Target(Category::Shutdown) + ".tmp"));
    EXPECT_FALSE(Exists(Target(Category::Signoff)));
    EXPECT_EQ(ReadBytes("OriginalLogos\\Logo.sys"), original);
    EXPECT_EQ(ReadBytes(Target(Category::Signon)), signon);
    EXPECT_FALSE(Exists(Target(Category::Signon) + ".tmp"));
    EXPECT_FALSE(Exists(Target(Category::Signon) + ".part"));
    EXPECT_TRUE(Boxes().empty());

    // The recovered backup is what the original entry installs.
    lists[Index(Category::Signon)].Current = ORIGINAL_ENTRY;
    InstallLogos(settings, lists);
    EXPECT_EQ(ReadBytes(Target(Category::Signon)), original);
}

}  // namespace
