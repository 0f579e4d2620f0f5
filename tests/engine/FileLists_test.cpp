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

    // A missing current-file file still loads the list, with no current
    // file, and the next save keeps every entry.
    Files(Category::Shutdown, "A\r\nB\r\n", "A\r\n");
    RemoveFile(settings[Category::Shutdown].CurrentFileName.GetText());
    list = MakeList({"X"}, "X");
    LoadFileList(Category::Shutdown, settings[Category::Shutdown], list);
    EXPECT_EQ(Entries(list), (Names{"A", "B"}));
    EXPECT_STREQ(list.Current.GetText(), "");
    EXPECT_FALSE(list.LoadFailed);
    list.Current = "A";
    EXPECT_TRUE(SaveFileList(Category::Shutdown, settings[Category::Shutdown], list));
    EXPECT_EQ(ReadBytes(settings[Category::Shutdown].ListFileName.GetText()), "A\r\nB\r\n");
    EXPECT_EQ(ReadBytes(settings[Category::Shutdown].CurrentFileName.GetText()), "A\r\n");

    // A missing list file leaves the list as it was; there is nothing on
    // the disk that a save could lose.
    RemoveFile(settings[Category::Shutdown].ListFileName.GetText());
    list = MakeList({"X"}, "X");
    LoadFileList(Category::Shutdown, settings[Category::Shutdown], list);
    EXPECT_EQ(Entries(list), (Names{"X"}));
    EXPECT_FALSE(list.LoadFailed);

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

TEST_F(FileListsTest, AListThatCouldNotBeReadIsNeverSavedOverIt) {
    const CategorySettings& s = settings[Category::Signon];
    const std::string listName = s.ListFileName.GetText(), currentName = s.CurrentFileName.GetText();
    Files(Category::Signon, "A\r\nB\r\nC\r\n", "B\r\n");

    // Another program holds the list file while the list is loaded.
    HANDLE held = CreateFileA(listName.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    FileList list;
    LoadFileList(Category::Signon, s, list);
    EXPECT_EQ(list.Entries.GetCount(), 0u);
    EXPECT_TRUE(list.LoadFailed);
    CloseHandle(held);

    // Whatever happens to the list in memory afterwards (a cycle, the user's
    // changes), no save writes it over the file it could not read.
    AdvanceCurrentFile(list, CycleOrder::Forward, false);
    list.Entries.InsertLast(TCharString("new.bmp"));
    list.Current = "new.bmp";
    EXPECT_FALSE(SaveFileList(Category::Signon, s, list));
    EXPECT_EQ(ReadBytes(listName), "A\r\nB\r\nC\r\n");
    EXPECT_EQ(ReadBytes(currentName), "B\r\n") << "nor the current file of that list";
    // Copies of the list (the pages get one and give it back) keep the mark.
    FileList copy;
    copy = list;
    EXPECT_FALSE(SaveFileList(Category::Signon, s, copy));
    EXPECT_EQ(ReadBytes(listName), "A\r\nB\r\nC\r\n");

    // Loaded again once the file can be read: the user's list, saved as usual.
    LoadFileList(Category::Signon, s, list);
    EXPECT_EQ(Entries(list), (Names{"A", "B", "C", ORIGINAL_ENTRY}));
    EXPECT_FALSE(list.LoadFailed);
    list.Current = "C";
    EXPECT_TRUE(SaveFileList(Category::Signon, s, list));
    EXPECT_EQ(ReadBytes(currentName), "C\r\n");

    // A list file that went away after a failed load has nothing left to lose.
    list.LoadFailed = true;
    RemoveFile(listName);
    EXPECT_TRUE(SaveFileList(Category::Signon, s, list));
    EXPECT_EQ(ReadBytes(listName), "A\r\nB\r\nC\r\n");
    // A folder in the list file's place cannot be read either.
    RemoveFile(listName);
    ASSERT_TRUE(CreateDirectoryA(listName.c_str(), NULL));
    list = MakeList({"X"}, "X");
    LoadFileList(Category::Signon, s, list);
    EXPECT_TRUE(list.LoadFailed);
    EXPECT_EQ(Entries(list), (Names{"X"}));
    RemoveDirectoryA(listName.c_str());
    EXPECT_TRUE(Boxes().empty()) << "file list failures are silent";
}


// A save writes, flushes and replaces only a file whose text changes: a cycle
// run moves the current file of an unchanged list.
TEST_F(FileListsTest, SaveReplacesOnlyFilesWhoseTextChanges) {
    const CategorySettings& s = settings[Category::Shutdown];
    const std::string listName = s.ListFileName.GetText(), currentName = s.CurrentFileName.GetText();
    const auto markOld = [](const std::string& path) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
        FILETIME old = {0x12345600u, 0x01a00000u};   // 1985
        SetFileTime(file, NULL, NULL, &old);
        CloseHandle(file);
    };
    const auto untouched = [](const std::string& path) {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(path.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return false;
        FindClose(find);
        return data.ftLastWriteTime.dwHighDateTime == 0x01a00000u && data.ftLastWriteTime.dwLowDateTime == 0x12345600u;
    };
    Files(Category::Shutdown, "A\r\nB\r\n", "A\r\n");
    markOld(listName);
    markOld(currentName);
    FileList list = Load(Category::Shutdown);
    AdvanceCurrentFile(list, CycleOrder::Forward, false);
    ASSERT_TRUE(SaveFileList(Category::Shutdown, s, list));
    EXPECT_TRUE(untouched(listName));
    EXPECT_EQ(ReadBytes(currentName), "B\r\n");
    EXPECT_FALSE(untouched(currentName));
    for (const char* suffix : {".tmp", ".part"}) {
        EXPECT_FALSE(Exists(listName + suffix));
        EXPECT_FALSE(Exists(currentName + suffix));
    }
    markOld(currentName);
    ASSERT_TRUE(SaveFileList(Category::Shutdown, s, list));
    EXPECT_TRUE(untouched(listName));
    EXPECT_TRUE(untouched(currentName));

    // Any difference in the bytes is a change: other line ends, more or
    // fewer lines, a last line without its end.
    for (const char* text : {"A\nB\n", "A\r\nB\r\nC\r\n", "A\r\n", "A\r\nB", "A\r\nB\r\n\r\n", ""}) {
        SCOPED_TRACE(text);
        WriteBytes(listName, text);
        markOld(listName);
        ASSERT_TRUE(SaveFileList(Category::Shutdown, s, list));
        EXPECT_EQ(ReadBytes(listName), "A\r\nB\r\n");
        EXPECT_TRUE(untouched(currentName));
    }
    // A protected file stays protected, changed or not.
    SetFileAttributesA(listName.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(SaveFileList(Category::Shutdown, s, list));
    list.Current = "A";
    EXPECT_FALSE(SaveFileList(Category::Shutdown, s, list));
    EXPECT_EQ(ReadBytes(currentName), "B\r\n");
    SetFileAttributesA(listName.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
