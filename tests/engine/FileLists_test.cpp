#include "EngineTestSupport.h"

using namespace enginetest;

namespace {

typedef std::vector<std::string> Names;

class FileListsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        settings = DefaultSettings();
    }
    // Writes the category's two files as raw bytes.
    void Files(Category c, const std::string& list, const std::string& current) {
        WriteBytes(settings[c].ListFileName.GetText(), list);
        WriteBytes(settings[c].CurrentFileName.GetText(), current);
    }
    FileList Load(Category c) {
        FileList list;
        LoadFileList(c, settings[c], list);
        return list;
    }
    AppSettings settings;
};

TEST_F(FileListsTest, OriginalEntryIsAddedPerCategory) {
    for (Category c : ALL_CATEGORIES) Files(c, "A\r\nB\r\nC\r\n", "B\r\n");
    const std::string original = ORIGINAL_ENTRY;
    EXPECT_EQ(Entries(Load(Category::Signon)), (Names{"A", "B", "C", original}));
    EXPECT_STREQ(Load(Category::Signon).Current.GetText(), "B");
    // No backups yet: Shutdown and Signoff offer no original.
    EXPECT_EQ(Entries(Load(Category::Shutdown)), (Names{"A", "B", "C"}));
    EXPECT_STREQ(Load(Category::Shutdown).Current.GetText(), "B");
    EXPECT_EQ(Entries(Load(Category::Signoff)), (Names{"A", "B", "C"}));
    EXPECT_EQ(Entries(Load(Category::Wallpaper)), (Names{"A", "B", "C"}));

    CreateDirectoryA("OriginalLogos", NULL);
    WriteBytes("OriginalLogos\\Logow.sys", "w");
    EXPECT_EQ(Entries(Load(Category::Shutdown)), (Names{"A", "B", "C", original}));
    EXPECT_EQ(Entries(Load(Category::Signoff)), (Names{"A", "B", "C"}));
    WriteBytes("OriginalLogos\\Logos.sys", "s");
    EXPECT_EQ(Entries(Load(Category::Signoff)), (Names{"A", "B", "C", original}));
    EXPECT_EQ(Entries(Load(Category::Wallpaper)), (Names{"A", "B", "C"}));
}

TEST_F(FileListsTest, MissingOrEmptyFiles) {
    // Empty list: nothing, not even the current file it names.
    Files(Category::Signon, "", "B\r\n");
    FileList list = Load(Category::Signon);
    EXPECT_EQ(list.Entries.GetCount(), 0u);
    EXPECT_STREQ(list.Current.GetText(), "");

    // A missing current-file file loads nothing and leaves the list as it was.
    Files(Category::Shutdown, "A\r\nB\r\n", "A\r\n");
    RemoveFile(settings[Category::Shutdown].CurrentFileName.GetText());
    list = MakeList({"X"}, "X");
    LoadFileList(Category::Shutdown, settings[Category::Shutdown], list);
    EXPECT_EQ(Entries(list), (Names{"X"}));
    EXPECT_STREQ(list.Current.GetText(), "X");

    // So does a missing list file.
    RemoveFile(settings[Category::Shutdown].ListFileName.GetText());
    WriteBytes(settings[Category::Shutdown].CurrentFileName.GetText(), "A\r\n");
    LoadFileList(Category::Shutdown, settings[Category::Shutdown], list);
    EXPECT_EQ(Entries(list), (Names{"X"}));

    // An empty current-file file gives no current file.
    Files(Category::Wallpaper, "A\r\n", "");
    list = Load(Category::Wallpaper);
    EXPECT_EQ(Entries(list), (Names{"A"}));
    EXPECT_STREQ(list.Current.GetText(), "");
}

TEST_F(FileListsTest, LineHandling) {
    const std::string exact(255, 'e'), longLine(300, 'l');
    // CR LF, a lone LF, an empty line, CR CR LF, a line that fills the
    // reader's buffer exactly, a longer one, and a last line without end.
    Files(Category::Wallpaper,
          "crlf\r\nlf\n\r\ncrcr\r\r\n" + exact + "\r\n" + longLine + "\nlast",
          "cur\r\r\n");
    FileList list = Load(Category::Wallpaper);
    EXPECT_EQ(Entries(list), (Names{"crlf", "lf", "", "crcr", exact, longLine.substr(0, 255),
                                    longLine.substr(255), "last"}));
    EXPECT_STREQ(list.Current.GetText(), "cur");
}

TEST_F(FileListsTest, SaveWritesTextLines) {
    const auto& s = settings[Category::Signon];
    FileList list = MakeList({"A", ORIGINAL_ENTRY}, ORIGINAL_ENTRY);
    ASSERT_TRUE(SaveFileList(Category::Signon, s, list));
    EXPECT_EQ(ReadBytes(s.ListFileName.GetText()), "A\r\n");
    EXPECT_EQ(ReadBytes(s.CurrentFileName.GetText()), "[Original] (not cycled)\r\n");

    // The wallpaper list writes every entry; an empty current file is an empty line.
    const auto& w = settings[Category::Wallpaper];
    list = MakeList({"C:\\a b.bmp", "", ORIGINAL_ENTRY}, "");
    ASSERT_TRUE(SaveFileList(Category::Wallpaper, w, list));
    EXPECT_EQ(ReadBytes(w.ListFileName.GetText()), "C:\\a b.bmp\r\n\r\n[Original] (not cycled)\r\n");
    EXPECT_EQ(ReadBytes(w.CurrentFileName.GetText()), "\r\n");

    // Saved and loaded again: the same list.
    list = MakeList({"x.bmp", "y.sys"}, "y.sys");
    ASSERT_TRUE(SaveFileList(Category::Signon, s, list));
    FileList loaded = Load(Category::Signon);
    EXPECT_EQ(Entries(loaded), (Names{"x.bmp", "y.sys", ORIGINAL_ENTRY}));
    EXPECT_STREQ(loaded.Current.GetText(), "y.sys");
    EXPECT_FALSE(Exists(std::string(s.ListFileName.GetText()) + ".tmp"));
}

TEST_F(FileListsTest, FailedSaveLeavesBothFilesWhole) {
    CategorySettings s = settings[Category::Shutdown];
    Files(Category::Shutdown, "old1\r\nold2\r\n", "old1\r\n");
    const FileList list = MakeList({"new"}, "new");

    // The current-file file cannot be created at all: neither file changes.
    s.CurrentFileName = "missing-folder\\cur.txt";
    EXPECT_FALSE(SaveFileList(Category::Shutdown, s, list));
    EXPECT_EQ(ReadBytes(s.ListFileName.GetText()), "old1\r\nold2\r\n");
    EXPECT_FALSE(Exists(std::string(s.ListFileName.GetText()) + ".tmp"));

    // A read-only current-file file: both files keep their old text.
    s = settings[Category::Shutdown];
    SetFileAttributesA(s.CurrentFileName.GetText(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(SaveFileList(Category::Shutdown, s, list));
    EXPECT_EQ(ReadBytes(s.CurrentFileName.GetText()), "old1\r\n");
    EXPECT_EQ(ReadBytes(s.ListFileName.GetText()), "old1\r\nold2\r\n");
    for (const char* suffix : {".tmp", ".part"}) {
        EXPECT_FALSE(Exists(std::string(s.CurrentFileName.GetText()) + suffix));
        EXPECT_FALSE(Exists(std::string(s.ListFileName.GetText()) + suffix));
    }

    // A folder where the current-file file belongs: the same.
    s.CurrentFileName = "cur-folder";
    ASSERT_TRUE(CreateDirectoryA("cur-folder", NULL));
    EXPECT_FALSE(SaveFileList(Category::Shutdown, s, list));
    EXPECT_EQ(ReadBytes(s.ListFileName.GetText()), "old1\r\nold2\r\n");
    EXPECT_FALSE(Exists("cur-folder.tmp"));
    EXPECT_FALSE(Exists("cur-folder.part"));
    EXPECT_TRUE(Boxes().empty()) << "file list failures are silent";
}

}  // namespace
