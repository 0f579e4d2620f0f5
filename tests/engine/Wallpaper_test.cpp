#include "EngineTestSupport.h"

using namespace enginetest;

namespace {

class WallpaperTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        settings = DefaultSettings();
    }
    std::string Desktop(const char* name) { return RegString(HKEY_CURRENT_USER, DESKTOP_KEY, name); }
    AppSettings settings;
};

TEST_F(WallpaperTest, ApplySetsTilingAndFullPath) {
    WriteBytes("paper.bmp", PlainBitmap(3, 2, 1));
    FileList list = MakeList({"paper.bmp"}, "paper.bmp");
    ApplyWallpaper(list, WallpaperStyle::Center);
    EXPECT_EQ(Desktop("TileWallpaper"), "0");
    EXPECT_EQ(Desktop("Wallpaper"), std::string(WORK_DIR) + "\\paper.bmp");

    list.Current = "C:\\iwengine\\work\\.\\sub\\..\\paper.bmp";
    ApplyWallpaper(list, WallpaperStyle::Tile);
    EXPECT_EQ(Desktop("TileWallpaper"), "1");
    EXPECT_EQ(Desktop("Wallpaper"), "C:\\iwengine\\work\\paper.bmp");
    // Stretched and fitted pictures are rendered.
    ApplyWallpaper(list, WallpaperStyle::Stretch);
    EXPECT_EQ(Desktop("TileWallpaper"), "0");
    EXPECT_EQ(Desktop("Wallpaper"), "C:\\iwengine\\work\\" + std::string(RENDERED_WALLPAPER_NAME));
    ApplyWallpaper(list, WallpaperStyle::Tile);
    EXPECT_EQ(Desktop("Wallpaper"), "C:\\iwengine\\work\\paper.bmp");
    ApplyWallpaper(list, WallpaperStyle::BestFit);
    EXPECT_EQ(Desktop("TileWallpaper"), "0");
    EXPECT_EQ(Desktop("Wallpaper"), "C:\\iwengine\\work\\" + std::string(RENDERED_WALLPAPER_NAME));
    ApplyWallpaper(list, WallpaperStyle::Tile);

    // No current file: the desktop is left alone.
    SetDesktop("TileWallpaper", "1");
    list.Current = "";
    ApplyWallpaper(list, WallpaperStyle::Center);
    EXPECT_EQ(Desktop("TileWallpaper"), "1");
    EXPECT_EQ(Desktop("Wallpaper"), "C:\\iwengine\\work\\paper.bmp");
}

TEST_F(WallpaperTest, CycleAdvancesSavesAndApplies) {
    const CategorySettings& w = settings[Category::Wallpaper];
    FileList list = MakeList({"a.bmp", "b.bmp"}, "a.bmp");
    WriteBytes("b.bmp", PlainBitmap(2, 2, 5));
    CycleWallpaper(settings, list);
    EXPECT_STREQ(list.Current.GetText(), "b.bmp");
    EXPECT_EQ(ReadBytes(w.ListFileName.GetText()), "a.bmp\r\nb.bmp\r\n");
    EXPECT_EQ(ReadBytes(w.CurrentFileName.GetText()), "b.bmp\r\n");
    EXPECT_EQ(Desktop("Wallpaper"), std::string(WORK_DIR) + "\\b.bmp");
    EXPECT_EQ(Desktop("TileWallpaper"), "1");

    // An empty list: nothing to show, the files are still written.
    SetDesktop("Wallpaper", "before.bmp");
    FileList empty = MakeList({}, "");
    CycleWallpaper(settings, empty);
    EXPECT_EQ(ReadBytes(w.ListFileName.GetText()), "");
    EXPECT_EQ(ReadBytes(w.CurrentFileName.GetText()), "\r\n");
    EXPECT_EQ(Desktop("Wallpaper"), "before.bmp");
}

TEST_F(WallpaperTest, ImportAtFirstInstallation) {
    typedef std::vector<std::string> Names;
    const std::string w = std::string(WORK_DIR) + "\\W.bmp";
    WriteBytes(w, BinaryContent(100, 2));
    FileList list = MakeList({"mine.bmp"}, "mine.bmp");
    // Tiled wallpaper W: appended, current, style Tile.
    SetDesktop("Wallpaper", w.c_str());
    SetDesktop("TileWallpaper", "1");
    settings.WallpaperStyle = WallpaperStyle::Center;
    ImportDesktopWallpaper(settings, list);
    EXPECT_EQ(Entries(list), (Names{"mine.bmp", w}));
    EXPECT_STREQ(list.Current.GetText(), w.c_str());
    EXPECT_EQ(settings.WallpaperStyle, WallpaperStyle::Tile);
    EXPECT_EQ(settings[Category::Wallpaper].Enabled, 1);

    // Installed a second time: the list holds W already (also in another
    // letter case, or by a path that leads to it), so it is not added again;
    // the current file is the list's entry.
    const std::string otherCase = "c:\\IWENGINE\\work\\sub\\..\\w.BMP";
    list = MakeList({"mine.bmp", otherCase}, "mine.bmp");
    ImportDesktopWallpaper(settings, list);
    EXPECT_EQ(Entries(list), (Names{"mine.bmp", otherCase}));
    EXPECT_STREQ(list.Current.GetText(), otherCase.c_str());
    list = MakeList({"W.bmp", "mine.bmp"}, "mine.bmp");   // relative to the program's directory
    ImportDesktopWallpaper(settings, list);
    EXPECT_EQ(Entries(list), (Names{"W.bmp", "mine.bmp"}));
    EXPECT_STREQ(list.Current.GetText(), "W.bmp");

    // Centred, and named by environment strings (as Windows NT may store
    // it): the file they lead to, as a full path.
    SetEnvironmentVariableA("IW_PICTURES", WORK_DIR);
    SetDesktop("Wallpaper", "%IW_PICTURES%\\W.bmp");
    SetDesktop("TileWallpaper", "0");
    list = MakeList({}, "");
    ImportDesktopWallpaper(settings, list);
    EXPECT_EQ(settings.WallpaperStyle, WallpaperStyle::Center);
    EXPECT_EQ(Entries(list), (Names{w}));
    EXPECT_STREQ(list.Current.GetText(), w.c_str());
    // A bare file name is one of the Windows directory, where Windows looks.
    WriteBytes(WindowsDir() + "iwpaper.bmp", "bmp");
    SetDesktop("Wallpaper", "iwpaper.bmp");
    list = MakeList({}, "");
    ImportDesktopWallpaper(settings, list);
    RemoveFile(WindowsDir() + "iwpaper.bmp");
    EXPECT_EQ(Entries(list), (Names{WindowsDir() + "iwpaper.bmp"}));

    // Values that name no picture: the placeholder of the Display control
    // panel, a file that is not there, a folder, variables that lead
    // nowhere, nothing at all. Cycling is switched off, the list stays.
    for (const char* none : {"(None)", "C:\\iwengine\\work\\gone.bmp", WORK_DIR, "%IW_NO_SUCH_VARIABLE%\\W.bmp",
                             "%SystemRoot%\\no-such-paper.bmp", ""}) {
        settings[Category::Wallpaper].Enabled = 1;
        list = MakeList({"mine.bmp"}, "mine.bmp");
        SetDesktop("Wallpaper", none);
        ImportDesktopWallpaper(settings, list);
        EXPECT_EQ(Entries(list), (Names{"mine.bmp"})) << none;
        EXPECT_STREQ(list.Current.GetText(), "mine.bmp") << none;
        EXPECT_EQ(settings[Category::Wallpaper].Enabled, 0) << none;
    }
    // A missing tiling value means tiled; a missing wallpaper value is none.
    SetDesktop("TileWallpaper", nullptr);
    SetDesktop("Wallpaper", nullptr);
    settings[Category::Wallpaper].Enabled = 1;
    ImportDesktopWallpaper(settings, list);
    EXPECT_EQ(settings[Category::Wallpaper].Enabled, 0);
    EXPECT_EQ(settings.WallpaperStyle, WallpaperStyle::Tile);
    EXPECT_FALSE(Exists(settings[Category::Wallpaper].ListFileName.GetText())) << "memory only";
    SetEnvironmentVariableA("IW_PICTURES", NULL);
}

TEST_F(WallpaperTest, FirstInstallationRunsAllSteps) {
    CreateDirectoryA("prog", NULL);
    WriteBytes(WindowsDir() + "Logow.sys", "w");
    WriteBytes(WindowsDir() + "Logos.sys", "s");
    SetRegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString", "C:\\setup\\uninst.exe");
    WriteBytes("C:\\iwengine\\W.bmp", "bmp");
    SetDesktop("Wallpaper", "C:\\iwengine\\W.bmp");
    SetDesktop("TileWallpaper", "0");
    FileListSet lists;
    RunFirstInstallation(PROGRAM_PATH, settings, lists);
    RemoveFile("C:\\iwengine\\W.bmp");
    EXPECT_EQ(ReadBytes("prog\\OriginalLogos\\Logow.sys"), "w");
    EXPECT_EQ(ReadBytes("prog\\OriginalLogos\\Logos.sys"), "s");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"),
              "\"" + std::string(PROGRAM_PATH) + "\" /uninstall");
    EXPECT_STREQ(lists[Index(Category::Wallpaper)].Current.GetText(), "C:\\iwengine\\W.bmp");
    EXPECT_EQ(settings.WallpaperStyle, WallpaperStyle::Center);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
}

}  // namespace
