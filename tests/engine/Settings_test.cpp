#include "EngineTestSupport.h"
#include <sstream>

using namespace enginetest;

namespace {

class SettingsTest : public EngineTest {
protected:
    void Profile(const char* key, const char* value) {
        WritePrivateProfileStringA("CONFIG", key, value, PROFILE_NAME);
    }
    std::string LoadedBootDrive() {
        AppSettings s;
        LoadSettings(s);
        return s.BootDrive.GetText();
    }
};

TEST_F(SettingsTest, DefaultsWithoutProfile) {
    AppSettings s;
    LoadSettings(s);
    const char* lists[] = {"SignonFileList.txt", "ShutdownFileList.txt", "SignoffFileList.txt", "WallpaperFileList.txt"};
    const char* currents[] = {"CurrSignonFile.txt", "CurrShutdownFile.txt", "CurrSignoffFile.txt", "CurrWallpaperFile.txt"};
    for (Category c : ALL_CATEGORIES) {
        SCOPED_TRACE(Index(c));
        EXPECT_STREQ(s[c].ListFileName.GetText(), lists[Index(c)]);
        EXPECT_STREQ(s[c].CurrentFileName.GetText(), currents[Index(c)]);
        EXPECT_EQ(s[c].Order, CycleOrder::Forward);
        EXPECT_EQ(s[c].Enabled, 1);
        const bool wallpaper = c == Category::Wallpaper;
        EXPECT_EQ(s[c].Period, wallpaper ? 15 : 1);
        EXPECT_EQ(s[c].Unit, wallpaper ? FrequencyUnit::Minutes : FrequencyUnit::Boot);
    }
    EXPECT_EQ(s.WallpaperStyle, WallpaperStyle::Tile);
    EXPECT_STREQ(s.BootDrive.GetText(), "C");
    EXPECT_FALSE(Exists(ProfilePath())) << "loading must not create the profile";
}

TEST_F(SettingsTest, BootDriveIsOneLetter) {
    Profile("BOOT_DRIVE", "d:\\");
    EXPECT_EQ(LoadedBootDrive(), "d");
    Profile("BOOT_DRIVE", "3");
    EXPECT_EQ(LoadedBootDrive(), "C");
    Profile("BOOT_DRIVE", "");
    EXPECT_EQ(LoadedBootDrive(), "C");
    Profile("BOOT_DRIVE", ":");
    EXPECT_EQ(LoadedBootDrive(), "C");
    Profile("BOOT_DRIVE", "Q");
    EXPECT_EQ(LoadedBootDrive(), "Q");
}

TEST_F(SettingsTest, ReadsStoredValues) {
    Profile("SHUTDOWN_LIST_FILENAME", "C:\\lists\\shut.txt");
    Profile("CURR_WALLPAPER_FILE_FILENAME", "wp.cur");
    Profile("SIGNON_CYCLE_ENABLE", "2");
    Profile("SIGNOFF_CYCLE_PERIOD", "3");
    Profile("SIGNOFF_CYCLE_FREQ", "2");
    Profile("SIGNOFF_CYCLE_ORDER", "1");
    Profile("WALLPAPER_CYCLE_FREQ", "6");
    Profile("WALLPAPER_CYCLE_ENABLE", "0");
    Profile("WALLPAPER_DISPLAY_STYLE", "1");
    Profile("BOOT_DRIVE", "E");
    AppSettings s;
    LoadSettings(s);
    EXPECT_STREQ(s[Category::Shutdown].ListFileName.GetText(), "C:\\lists\\shut.txt");
    EXPECT_STREQ(s[Category::Wallpaper].CurrentFileName.GetText(), "wp.cur");
    EXPECT_EQ(s[Category::Signon].Enabled, 2) << "any non-zero value is kept, the engine cycles it";
    EXPECT_EQ(s[Category::Signoff].Period, 3);
    EXPECT_EQ(s[Category::Signoff].Unit, FrequencyUnit::Weeks);
    EXPECT_EQ(s[Category::Signoff].Order, CycleOrder::Backward);
    EXPECT_EQ(s[Category::Wallpaper].Unit, FrequencyUnit::Seconds);
    EXPECT_EQ(s[Category::Wallpaper].Enabled, 0);
    EXPECT_EQ(s.WallpaperStyle, WallpaperStyle::Center);
    EXPECT_STREQ(s.BootDrive.GetText(), "E");
}

TEST_F(SettingsTest, SaveWritesEveryKeyInOrder) {
    Profile("UNINSTALL_STRING", "C:\\setup\\uninst.exe");
    AppSettings s;
    LoadSettings(s);
    s[Category::Signon].Period = 4;
    s[Category::Signon].Unit = FrequencyUnit::Days;
    s[Category::Shutdown].Order = CycleOrder::Random;
    s[Category::Signoff].Enabled = 0;
    s[Category::Wallpaper].ListFileName = "C:\\papers.txt";
    s[Category::Wallpaper].Period = -7;
    s.WallpaperStyle = WallpaperStyle::Center;
    s.BootDrive = "D";
    SaveSettings(s);

    std::istringstream file(ReadBytes(ProfilePath()));
    std::string line, keys;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) keys += line + "\n";
    }
    EXPECT_EQ(keys,
              "[CONFIG]\n"
              "UNINSTALL_STRING=C:\\setup\\uninst.exe\n"   // kept, never written by a save
              "SIGNON_LIST_FILENAME=SignonFileList.txt\n"
              "CURR_SIGNON_FILE_FILENAME=CurrSignonFile.txt\n"
              "SIGNON_CYCLE_PERIOD=4\n"
              "SIGNON_CYCLE_FREQ=1\n"
              "SIGNON_CYCLE_ORDER=0\n"
              "SIGNON_CYCLE_ENABLE=1\n"
              "SHUTDOWN_LIST_FILENAME=ShutdownFileList.txt\n"
              "CURR_SHUTDOWN_FILE_FILENAME=CurrShutdownFile.txt\n"
              "SHUTDOWN_CYCLE_PERIOD=1\n"
              "SHUTDOWN_CYCLE_FREQ=0\n"
              "SHUTDOWN_CYCLE_ORDER=2\n"
              "SHUTDOWN_CYCLE_ENABLE=1\n"
              "SIGNOFF_LIST_FILENAME=SignoffFileList.txt\n"
              "CURR_SIGNOFF_FILE_FILENAME=CurrSignoffFile.txt\n"
              "SIGNOFF_CYCLE_PERIOD=1\n"
              "SIGNOFF_CYCLE_FREQ=0\n"
              "SIGNOFF_CYCLE_ORDER=0\n"
              "SIGNOFF_CYCLE_ENABLE=0\n"
              "WALLPAPER_LIST_FILENAME=C:\\papers.txt\n"
              "CURR_WALLPAPER_FILE_FILENAME=CurrWallpaperFile.txt\n"
              "WALLPAPER_CYCLE_PERIOD=-7\n"
              "WALLPAPER_CYCLE_FREQ=5\n"
              "WALLPAPER_CYCLE_ORDER=0\n"
              "WALLPAPER_CYCLE_ENABLE=1\n"
              "WALLPAPER_DISPLAY_STYLE=1\n"
              "BOOT_DRIVE=D\n");

    AppSettings reloaded;
    LoadSettings(reloaded);
    EXPECT_EQ(reloaded[Category::Wallpaper].Period, -7);
    EXPECT_EQ(reloaded[Category::Shutdown].Order, CycleOrder::Random);
    EXPECT_STREQ(reloaded.BootDrive.GetText(), "D");
}


// LoadSettings reads the section in one call and takes plain lines itself:
// whatever form a line has, it must give what the profile functions give.
TEST_F(SettingsTest, EveryFormOfLineReadsAsTheProfileFunctionsReadIt) {
    const std::string lines =
        "[CONFIG]\r\n"
        "SIGNON_CYCLE_PERIOD = 7\r\n"
        "signoff_cycle_period=8\r\n"
        "SHUTDOWN_CYCLE_PERIOD=\"9\"\r\n"
        "WALLPAPER_CYCLE_PERIOD=0x10\r\n"
        "SIGNON_CYCLE_FREQ=+3\r\n"
        "SHUTDOWN_CYCLE_FREQ=2abc\r\n"
        "SIGNOFF_CYCLE_FREQ=\r\n"
        "WALLPAPER_CYCLE_FREQ\r\n"
        "SIGNON_CYCLE_ORDER=-1\r\n"
        "SHUTDOWN_CYCLE_ORDER=007\r\n"
        "SIGNOFF_CYCLE_ORDER=-0\r\n"
        "WALLPAPER_CYCLE_ORDER=99999999999\r\n"
        "SIGNON_CYCLE_ENABLE=0\r\n"
        "; SHUTDOWN_CYCLE_ENABLE=0\r\n"
        "SIGNON_LIST_FILENAME=\"C:\\quoted list.txt\"\r\n"
        "SHUTDOWN_LIST_FILENAME=  spaced.txt  \r\n"
        "SIGNOFF_LIST_FILENAME=first.txt\r\n"
        "SIGNOFF_LIST_FILENAME=second.txt\r\n"
        "CURR_SIGNON_FILE_FILENAME='single'\r\n"
        "CURR_SHUTDOWN_FILE_FILENAME=\r\n"
        "WALLPAPER_DISPLAY_STYLE=2\r\n"
        "BOOT_DRIVE=e:\\\r\n"
        "[OTHER]\r\n"
        "SIGNOFF_CYCLE_ENABLE=0\r\n";
    const auto expectAsProfileFunctions = [](const std::string& text) {
        WriteBytes(ProfilePath(), text);
        WritePrivateProfileStringA(NULL, NULL, NULL, PROFILE_NAME);   // no cached copy of the old file
        CWinApp* app = AfxGetApp();
        const char* prefixes[] = {"SIGNON", "SHUTDOWN", "SIGNOFF", "WALLPAPER"};
        const char* lists[] = {"SignonFileList.txt", "ShutdownFileList.txt", "SignoffFileList.txt",
                               "WallpaperFileList.txt"};
        const char* currents[] = {"CurrSignonFile.txt", "CurrShutdownFile.txt", "CurrSignoffFile.txt",
                                  "CurrWallpaperFile.txt"};
        AppSettings s;
        LoadSettings(s);
        for (Category c : ALL_CATEGORIES) {
            const std::string p = prefixes[Index(c)];
            SCOPED_TRACE(p);
            const bool wallpaper = c == Category::Wallpaper;
            EXPECT_EQ(s[c].ListFileName.GetText(),
                      std::string(app->GetProfileString("CONFIG", (p + "_LIST_FILENAME").c_str(), lists[Index(c)])
                                      .GetText()));
            EXPECT_EQ(s[c].CurrentFileName.GetText(),
                      std::string(app->GetProfileString("CONFIG", ("CURR_" + p + "_FILE_FILENAME").c_str(),
                                                        currents[Index(c)])
                                      .GetText()));
            EXPECT_EQ(s[c].Period,
                      static_cast<LONG>(app->GetProfileInt("CONFIG", (p + "_CYCLE_PERIOD").c_str(), wallpaper ? 15 : 1)));
            EXPECT_EQ(static_cast<LONG>(s[c].Unit),
                      static_cast<LONG>(app->GetProfileInt("CONFIG", (p + "_CYCLE_FREQ").c_str(), wallpaper ? 5 : 0)));
            EXPECT_EQ(static_cast<LONG>(s[c].Order),
                      static_cast<LONG>(app->GetProfileInt("CONFIG", (p + "_CYCLE_ORDER").c_str(), 0)));
            EXPECT_EQ(s[c].Enabled, static_cast<LONG>(app->GetProfileInt("CONFIG", (p + "_CYCLE_ENABLE").c_str(), 1)));
        }
        EXPECT_EQ(static_cast<LONG>(s.WallpaperStyle),
                  static_cast<LONG>(app->GetProfileInt("CONFIG", "WALLPAPER_DISPLAY_STYLE", 0)));
        return s;
    };
    AppSettings s = expectAsProfileFunctions(lines);
    // The values the profile functions give for those lines, as a check of
    // the comparison itself.
    EXPECT_EQ(s[Category::Signon].Period, 7);
    EXPECT_EQ(s[Category::Signoff].Period, 8);
    EXPECT_EQ(s[Category::Shutdown].Period, 9);
    EXPECT_EQ(s[Category::Signon].Enabled, 0);
    EXPECT_EQ(s[Category::Shutdown].Enabled, 1) << "a comment is no key";
    EXPECT_EQ(s[Category::Signoff].Enabled, 1) << "a key of another section";
    EXPECT_EQ(s[Category::Signoff].Unit, FrequencyUnit::Boot) << "an empty value gives the default";
    EXPECT_EQ(s[Category::Wallpaper].Unit, FrequencyUnit::Minutes) << "a key without a value gives the default";
    EXPECT_STREQ(s[Category::Signon].ListFileName.GetText(), "C:\\quoted list.txt");
    EXPECT_STREQ(s[Category::Shutdown].ListFileName.GetText(), "spaced.txt");
    EXPECT_STREQ(s[Category::Signoff].ListFileName.GetText(), "first.txt");
    EXPECT_STREQ(s[Category::Signon].CurrentFileName.GetText(), "single");
    EXPECT_STREQ(s[Category::Shutdown].CurrentFileName.GetText(), "");
    EXPECT_EQ(s.WallpaperStyle, WallpaperStyle::Stretch);
    EXPECT_STREQ(s.BootDrive.GetText(), "e");

    // A section too long to be read in one piece is read key by key.
    s = expectAsProfileFunctions(lines.substr(0, lines.find("[OTHER]")) + "PADDING=" + std::string(20000, 'x') +
                                 "\r\n" + lines.substr(lines.find("[OTHER]")));
    EXPECT_EQ(s[Category::Signoff].Period, 8);
    EXPECT_STREQ(s[Category::Signon].ListFileName.GetText(), "C:\\quoted list.txt");
    EXPECT_STREQ(s.BootDrive.GetText(), "e");
}

}  // namespace
