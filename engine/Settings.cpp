// Settings store: section "CONFIG" of the application's profile.
#include "Engine.h"
#include "EngineInternal.h"
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>

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

// Whether `text` is a decimal number that a LONG holds, as "%d" writes it
// (a sign only for a negative one, no leading zero).
bool IsPlainNumber(const char* text) {
    const char* digits = text[0] == '-' ? text + 1 : text;
    const size_t length = std::strlen(digits);
    if (length == 0 || length > 9 || (digits[0] == '0' && length > 1)) return false;
    for (const char* p = digits; *p; ++p)
        if (!isdigit(static_cast<unsigned char>(*p))) return false;
    return !(text[0] == '-' && digits[0] == '0');
}

// Key names are compared as the profile functions do, ignoring letter case
// (the program's keys are plain ASCII).
bool SameKey(const char* a, const char* b, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (toupper(static_cast<unsigned char>(a[i])) != toupper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace

ProfileSection::ProfileSection(const char* section) : Section(section) {
    const DWORD size = 16384;
    Text.reset(new (std::nothrow) char[size]);
    // A section that does not fit (the length comes back as size - 2) is read
    // key by key instead.
    if (Text && GetPrivateProfileSectionA(section, Text.get(), size, AfxGetApp()->m_pszProfileName) >= size - 2)
        Text.reset();
}

ProfileSection::Form ProfileSection::Find(const char* key, const char*& value) const {
    if (!Text) return Form::Unusual;
    const size_t keyLength = std::strlen(key);
    for (const char* line = Text.get(); *line; line += std::strlen(line) + 1) {
        const char* equals = std::strchr(line, '=');
        if (!equals) continue;   // a line without a value gives the default
        const char* start = line;
        const char* end = equals;
        while (start < end && isspace(static_cast<unsigned char>(*start))) ++start;
        while (end > start && isspace(static_cast<unsigned char>(end[-1]))) --end;
        if (static_cast<size_t>(end - start) != keyLength || !SameKey(start, key, keyLength)) continue;
        value = equals + 1;
        const size_t length = std::strlen(value);
        const bool plain = start == line && end == equals && length < 4096 &&
                           (length == 0 || (!isspace(static_cast<unsigned char>(value[0])) &&
                                            !isspace(static_cast<unsigned char>(value[length - 1])) &&
                                            value[0] != '"' && value[0] != '\''));
        return plain ? Form::Plain : Form::Unusual;
    }
    return Form::Missing;
}

TCharString ProfileSection::String(const char* key, const char* def) const {
    const char* value = nullptr;
    switch (Find(key, value)) {
    case Form::Missing: return TCharString(def);
    case Form::Plain: return TCharString(value);
    default: return AfxGetApp()->GetProfileString(Section, key, def);
    }
}

LONG ProfileSection::Int(const char* key, LONG def) const {
    const char* value = nullptr;
    const Form form = Find(key, value);
    if (form == Form::Missing || (form == Form::Plain && value[0] == '\0')) return def;
    if (form == Form::Plain && IsPlainNumber(value)) return std::atol(value);
    return static_cast<LONG>(AfxGetApp()->GetProfileInt(Section, key, def));
}

void ProfileSection::WriteInt(const char* key, LONG value) const {
    char text[16];
    wsprintfA(text, "%ld", value);
    const char* stored = nullptr;
    if (Find(key, stored) == Form::Plain && std::strcmp(stored, text) == 0) return;
    AfxGetApp()->WriteProfileString(Section, key, text);
}

void LoadSettings(AppSettings& settings) {
    const ProfileSection config(CONFIG_SECTION);
    for (Category c : ALL_CATEGORIES) {
        const CategoryKeys& k = CATEGORY_KEYS[Index(c)];
        CategorySettings& s = settings[c];
        s.ListFileName = config.String(KeyName("", k.Prefix, "_LIST_FILENAME").Text, k.DefaultListFile);
        s.CurrentFileName = config.String(KeyName("CURR_", k.Prefix, "_FILE_FILENAME").Text, k.DefaultCurrentFile);
        s.Period = config.Int(KeyName("", k.Prefix, "_CYCLE_PERIOD").Text, k.DefaultPeriod);
        s.Unit = static_cast<FrequencyUnit>(
            config.Int(KeyName("", k.Prefix, "_CYCLE_FREQ").Text, static_cast<LONG>(k.DefaultUnit)));
        s.Order = static_cast<CycleOrder>(config.Int(KeyName("", k.Prefix, "_CYCLE_ORDER").Text, 0));
        s.Enabled = config.Int(KeyName("", k.Prefix, "_CYCLE_ENABLE").Text, 1);
    }
    settings.WallpaperStyle = static_cast<WallpaperStyle>(config.Int("WALLPAPER_DISPLAY_STYLE", 0));

    // One letter, no colon: "d:\" becomes "d"; anything not starting with a
    // letter falls back to C.
    TCharString drive = config.String("BOOT_DRIVE", "C");
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
