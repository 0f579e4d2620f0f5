// Settings store: section "CONFIG" of the application's profile.
#include "Engine.h"
#include "EngineInternal.h"
#include <cctype>
#include <cstring>

const char* const FREQUENCY_UNIT_NAMES[FREQUENCY_UNIT_COUNT] = {"Boot",  "Days",    "Weeks",  "Months",
                                                                 "Hours", "Minutes", "Seconds"};

const char CONFIG_SECTION[] = "CONFIG";

namespace {

// Key prefixes and default file names of the four categories.
struct CategoryKeys {
    const char* Prefix;
    const char* DefaultListFile;
    const char* DefaultCurrentFile;
    LONG DefaultPeriod;
    FrequencyUnit DefaultUnit;
};
const CategoryKeys CATEGORY_KEYS[CATEGORY_COUNT] = {
    {"SIGNON", "SignonFileList.txt", "CurrSignonFile.txt", 1, FrequencyUnit::Boot},
    {"SHUTDOWN", "ShutdownFileList.txt", "CurrShutdownFile.txt", 1, FrequencyUnit::Boot},
    {"SIGNOFF", "SignoffFileList.txt", "CurrSignoffFile.txt", 1, FrequencyUnit::Boot},
    {"WALLPAPER", "WallpaperFileList.txt", "CurrWallpaperFile.txt", 15, FrequencyUnit::Minutes},
};

// The key of one value of a category, e.g. "SIGNON_CYCLE_PERIOD" or
// "CURR_SIGNON_FILE_FILENAME".
struct KeyName {
    char Text[64];
    KeyName(const char* before, const char* prefix, const char* after) {
        Text[0] = '\0';
        for (const char* part : {before, prefix, after})
            std::strncat(Text, part, sizeof Text - 1 - std::strlen(Text));
    }
};

LONG ReadInt(const char* key, LONG def) {
    return static_cast<LONG>(AfxGetApp()->GetProfileInt(CONFIG_SECTION, key, def));
}

}  // namespace

void LoadSettings(AppSettings& settings) {
    CWinApp* app = AfxGetApp();
    for (Category c : ALL_CATEGORIES) {
        const CategoryKeys& k = CATEGORY_KEYS[Index(c)];
        CategorySettings& s = settings[c];
        s.ListFileName = app->GetProfileString(CONFIG_SECTION, KeyName("", k.Prefix, "_LIST_FILENAME").Text,
                                               k.DefaultListFile);
        s.CurrentFileName = app->GetProfileString(
            CONFIG_SECTION, KeyName("CURR_", k.Prefix, "_FILE_FILENAME").Text, k.DefaultCurrentFile);
        s.Period = ReadInt(KeyName("", k.Prefix, "_CYCLE_PERIOD").Text, k.DefaultPeriod);
        s.Unit = static_cast<FrequencyUnit>(
            ReadInt(KeyName("", k.Prefix, "_CYCLE_FREQ").Text, static_cast<LONG>(k.DefaultUnit)));
        s.Order = static_cast<CycleOrder>(ReadInt(KeyName("", k.Prefix, "_CYCLE_ORDER").Text, 0));
        s.Enabled = ReadInt(KeyName("", k.Prefix, "_CYCLE_ENABLE").Text, 1);
    }
    settings.WallpaperStyle = static_cast<WallpaperStyle>(ReadInt("WALLPAPER_DISPLAY_STYLE", 0));

    // One letter, no colon: "d:\" becomes "d"; anything not starting with a
    // letter falls back to C.
    TCharString drive = app->GetProfileString(CONFIG_SECTION, "BOOT_DRIVE", "C");
    if (!isalpha(static_cast<unsigned char>(drive.GetText()[0])))
        drive = "C";
    else if (drive.GetLength() > 1)
        drive.Delete(1, drive.GetLength() - 1);
    settings.BootDrive = drive;
}

void SaveSettings(const AppSettings& settings) {
    CWinApp* app = AfxGetApp();
    for (Category c : ALL_CATEGORIES) {
        const char* prefix = CATEGORY_KEYS[Index(c)].Prefix;
        const CategorySettings& s = settings[c];
        app->WriteProfileString(CONFIG_SECTION, KeyName("", prefix, "_LIST_FILENAME").Text,
                                s.ListFileName.GetText());
        app->WriteProfileString(CONFIG_SECTION, KeyName("CURR_", prefix, "_FILE_FILENAME").Text,
                                s.CurrentFileName.GetText());
        app->WriteProfileInt(CONFIG_SECTION, KeyName("", prefix, "_CYCLE_PERIOD").Text, s.Period);
        app->WriteProfileInt(CONFIG_SECTION, KeyName("", prefix, "_CYCLE_FREQ").Text, static_cast<int>(s.Unit));
        app->WriteProfileInt(CONFIG_SECTION, KeyName("", prefix, "_CYCLE_ORDER").Text, static_cast<int>(s.Order));
        app->WriteProfileInt(CONFIG_SECTION, KeyName("", prefix, "_CYCLE_ENABLE").Text, s.Enabled);
    }
    app->WriteProfileInt(CONFIG_SECTION, "WALLPAPER_DISPLAY_STYLE", static_cast<int>(settings.WallpaperStyle));
    app->WriteProfileString(CONFIG_SECTION, "BOOT_DRIVE", settings.BootDrive.GetText());
}
