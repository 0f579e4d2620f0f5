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
    FileList list = MakeList({"mine.bmp"}, "mine.bmp");
    // Tiled wallpaper W: appended, current, style Tile.
    SetDesktop("Wallpaper", "C:\\windows\\W.bmp");
    SetDesktop("TileWallpaper", "1");
    settings.WallpaperStyle = WallpaperStyle::Center;
    ImportDesktopWallpaper(settings, list);
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"mine.bmp", "C:\\windows\\W.bmp"}));
    EXPECT_STREQ(list.Current.GetText(), "C:\\windows\\W.bmp");
    EXPECT_EQ(settings.WallpaperStyle, WallpaperStyle::Tile);
    EXPECT_EQ(settings[Category::Wallpaper].Enabled, 1);

    // Centred.
    list = MakeList({}, "");
    SetDesktop("TileWallpaper", "0");
    ImportDesktopWallpaper(settings, list);
    EXPECT_EQ(settings.WallpaperStyle, WallpaperStyle::Center);
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"C:\\windows\\W.bmp"}));

    // No wallpaper at all: cycling is switched off, the list stays; a
    // missing tiling value means tiled.
    list = MakeList({}, "");
    SetDesktop("Wallpaper", "");
    SetDesktop("TileWallpaper", nullptr);
    ImportDesktopWallpaper(settings, list);
    EXPECT_EQ(list.Entries.GetCount(), 0u);
    EXPECT_STREQ(list.Current.GetText(), "");
    EXPECT_EQ(settings[Category::Wallpaper].Enabled, 0);
    EXPECT_EQ(settings.WallpaperStyle, WallpaperStyle::Tile);
    EXPECT_FALSE(Exists(settings[Category::Wallpaper].ListFileName.GetText())) << "memory only";
}

TEST_F(WallpaperTest, FirstInstallationRunsAllSteps) {
    CreateDirectoryA("prog", NULL);
    WriteBytes(WindowsDir() + "Logow.sys", "w");
    WriteBytes(WindowsDir() + "Logos.sys", "s");
    SetRegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString", "C:\\setup\\uninst.exe");
    SetDesktop("Wallpaper", "C:\\W.bmp");
    SetDesktop("TileWallpaper", "0");
    FileListSet lists;
    RunFirstInstallation(PROGRAM_PATH, settings, lists);
    EXPECT_EQ(ReadBytes("prog\\OriginalLogos\\Logow.sys"), "w");
    EXPECT_EQ(ReadBytes("prog\\OriginalLogos\\Logos.sys"), "s");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"),
              "\"" + std::string(PROGRAM_PATH) + "\" /uninstall");
    EXPECT_STREQ(lists[Index(Category::Wallpaper)].Current.GetText(), "C:\\W.bmp");
    EXPECT_EQ(settings.WallpaperStyle, WallpaperStyle::Center);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
}

}  // namespace
