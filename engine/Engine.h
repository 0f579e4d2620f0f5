// The cycling engine: settings, file lists, the schedule, the cycle step with
// the installation of the logo files, the backup of the logos that were there
// before the first run, the uninstall sequence and the wallpaper.
//
// Every operation works on state the caller owns (the application object keeps
// one AppSettings and four FileLists for the whole run) and reads or writes the
// profile through the application object's profile functions (AfxGetApp()).
// File and registry failures are silent unless stated otherwise; the only two
// messages shown go through ShowMessageBox with no owner, caption "Error" and a
// warning icon.
#pragma once
#include <windows.h>
#include <ctime>
#include "CharString.h"
#include "ValVector.h"

// ---------------------------------------------------------------------------
// Shared types

// The four categories, in the order used everywhere.
enum class Category : int { Signon = 0, Shutdown = 1, Signoff = 2, Wallpaper = 3 };
const int CATEGORY_COUNT = 4;
const Category ALL_CATEGORIES[CATEGORY_COUNT] = {Category::Signon, Category::Shutdown,
                                                 Category::Signoff, Category::Wallpaper};
inline int Index(Category category) { return static_cast<int>(category); }

// Codes as stored in the profile. A field may hold any 32-bit value read from
// the profile; unknown codes are handled where the value is used.
enum class FrequencyUnit : LONG { Boot = 0, Days = 1, Weeks = 2, Months = 3, Hours = 4, Minutes = 5, Seconds = 6 };
enum class CycleOrder : LONG { Forward = 0, Backward = 1, Random = 2 };
enum class WallpaperStyle : LONG { Tile = 0, Center = 1, Stretch = 2, BestFit = 3 };

// Unit names shown to the user, indexed by code: "Boot" ... "Seconds". The
// logo pages offer the first LOGO_UNIT_COUNT, the wallpaper page all of them.
const int FREQUENCY_UNIT_COUNT = 7;
const int LOGO_UNIT_COUNT = 4;
extern const char* const FREQUENCY_UNIT_NAMES[FREQUENCY_UNIT_COUNT];

struct CategorySettings {
    TCharString ListFileName;     // relative names are relative to the current directory
    TCharString CurrentFileName;
    LONG Period = 1;              // units between two cycles; unused for Boot
    FrequencyUnit Unit = FrequencyUnit::Boot;
    CycleOrder Order = CycleOrder::Forward;
    LONG Enabled = 1;             // any non-zero value cycles a logo; the wallpaper timer needs 1
};

struct AppSettings {
    CategorySettings Categories[CATEGORY_COUNT];
    ::WallpaperStyle WallpaperStyle = ::WallpaperStyle::Tile;
    TCharString BootDrive;        // one drive letter without colon, e.g. "C"

    CategorySettings& operator[](Category c) { return Categories[Index(c)]; }
    const CategorySettings& operator[](Category c) const { return Categories[Index(c)]; }
};

// The list entry that stands for the backed-up logo of a category; it lives
// only in memory, as the last entry of a logo list, and is never written to a
// list file.
extern const char ORIGINAL_ENTRY[];   // "[Original] (not cycled)"

struct FileList {
    FileList();
    TValVector<TCharString> Entries;  // file names in list order
    TCharString Current;              // the installed / shown file; empty when none
    // Set by LoadFileList when the list file is there but could not be read
    // (another program holds it, a read error): the list in memory is then
    // not the user's, and SaveFileList never writes it over that file.
    bool LoadFailed = false;
};
typedef FileList FileListSet[CATEGORY_COUNT];   // indexed by Index(Category)

// The time source of the due rule and of the random cycle order; tests
// substitute a settable one.
class Clock {
public:
    virtual ~Clock();
    virtual time_t Now() const;       // time(NULL)
};
const Clock& SystemClock();

// ---------------------------------------------------------------------------
// Settings store (section "CONFIG" of the application's profile)

// Fills every field from the profile; missing values take their defaults.
void LoadSettings(AppSettings& settings);
// Writes every value back, in the order LoadSettings reads them.
void SaveSettings(const AppSettings& settings);

// ---------------------------------------------------------------------------
// File lists (a list file and a current-file file per category)

// Replaces `list` with the contents of the category's two files. A missing
// current-file file gives an empty current file (the cycle starts again from
// the first entry). When the list file cannot be read `list` is left as it is,
// and marked LoadFailed unless the file is simply not there. A file that a
// power cut left only as its complete temporary copy is first put back.
void LoadFileList(Category category, const CategorySettings& settings, FileList& list);
// Writes both files completely under temporary names, then replaces them; a
// file that cannot be written or replaced (read-only, a folder in its place)
// leaves both as they were, and so does a list marked LoadFailed while its
// list file exists. Returns false when not both were replaced.
bool SaveFileList(Category category, const CategorySettings& settings, const FileList& list);

// ---------------------------------------------------------------------------
// Cycle schedule

// Last-cycle sections of the logo categories ("LAST_SIGNON_CYCLE_TIME", ...).
const char* LastCycleSection(Category logoCategory);

// Whether a category whose last cycle is recorded in `section` is due now;
// records today (due) or the date used (not due) in the section.
bool IsCycleDue(const char* section, FrequencyUnit unit, LONG period, const Clock& clock = SystemClock());
// Advances every enabled, due logo category (Signon, Shutdown, Signoff).
void CycleDueLogos(const AppSettings& settings, FileListSet& lists, const Clock& clock = SystemClock());

const UINT_PTR WALLPAPER_TIMER_ID = 1;
const UINT MINIMUM_TIMER_INTERVAL = 1000;   // ms
// The longest interval Windows promises a timer (USER_TIMER_MAXIMUM, about
// 24.8 days). Windows 2000 and XP before SP2 take a longer one as 1 ms, later
// versions shorten it.
const UINT LONGEST_TIMER_INTERVAL = 0x7FFFFFFF;
// The wallpaper timer's interval in ms for a unit and period (not for Boot).
UINT WallpaperTimerInterval(FrequencyUnit unit, LONG period);

// Timer WALLPAPER_TIMER_ID of a window, for intervals of any 32-bit length:
// one longer than LONGEST_TIMER_INTERVAL is armed in parts that fit, one
// after the other, and counts as expired only once all of them have passed.
class WallpaperTimer {
public:
    virtual ~WallpaperTimer();
    // Starts the timer anew for `interval` ms.
    void Start(HWND window, UINT interval);
    void Stop(HWND window);
    // At each WM_TIMER of the timer: true when the whole interval has passed
    // (the timer then runs on for the next one), false when only a part of
    // it has (the timer is then armed for the next part) or it is stopped.
    bool Expired(HWND window);

protected:
    // Windows' SetTimer and KillTimer for WALLPAPER_TIMER_ID (tests watch them).
    virtual void SetWindowsTimer(HWND window, UINT elapse);
    virtual void KillWindowsTimer(HWND window);

private:
    void ArmNextPart(HWND window);
    UINT Interval = 0;   // the whole interval; 0 while stopped
    UINT Left = 0;       // what remains of it after the part now armed
};

// Stops the wallpaper timer of `window`; when wallpaper cycling is on
// (Enabled is 1, as the Wallpaper page shows it) either cycles the wallpaper
// at once (unit Boot) or starts the timer anew.
void ArmWallpaperTimer(HWND window, WallpaperTimer& timer, const AppSettings& settings, FileList& wallpaper,
                       const Clock& clock = SystemClock());
// The window received WM_TIMER for WALLPAPER_TIMER_ID: cycles the wallpaper
// once the timer's whole interval has passed.
void WallpaperTimerExpired(HWND window, WallpaperTimer& timer, const AppSettings& settings, FileList& wallpaper,
                           const Clock& clock = SystemClock());

// ---------------------------------------------------------------------------
// Cycle step and installation

// Moves list.Current to the next entry by `order`. A logo list (wholeList
// false) whose last entry is ORIGINAL_ENTRY never moves onto that entry.
void AdvanceCurrentFile(FileList& list, CycleOrder order, bool wholeList, const Clock& clock = SystemClock());
// The file a logo category's current file is copied over (boot drive's
// Logo.sys, the Windows directory's Logow.sys / Logos.sys).
TCharString LogoTargetName(Category logoCategory, const AppSettings& settings);
// Puts back a logo target or a backup of an original logo that a power cut
// left only as its complete temporary copy (Windows 9x replaces a file by
// deleting it, then renaming the copy).
void RecoverLogoFiles(const AppSettings& settings);
// Copies the current files of Signon, Shutdown and Signoff over their targets
// (after RecoverLogoFiles); a current ORIGINAL_ENTRY is first replaced by its
// backup's name. A Signon original without a backup (Windows had no Logo.sys
// before the first run) is installed by deleting Logo.sys: Windows then shows
// its built-in start-up screen.
void InstallLogos(const AppSettings& settings, FileListSet& lists);
// True when every byte of `source` reached `target`. On failure `target` is
// as it was before the call.
bool CopyFileBytes(const char* target, const char* source);
// True when `path` can be opened for binary reading.
bool FileExists(const char* path);

// ---------------------------------------------------------------------------
// Backup of the original logos, first installation and uninstall.
// `programPath` is the program's path as it was started (argv[0]).

extern const char UNINSTALL_KEY[];   // under HKEY_LOCAL_MACHINE

// The program's directory followed by "OriginalLogos\".
TCharString BackupFolderName(const char* programPath);
// Copies the logo files present now into the backup folder (never over an
// existing backup): each one that has no backup yet. Shows a message when the
// folder cannot be created.
void BackupOriginalLogos(const char* programPath, const AppSettings& settings);
// Stores the setup program's uninstall command as "UNINSTALL_STRING" and puts
// "\"<programPath>\" /uninstall" in its place. Nothing changes when the command
// cannot be read or already is this program's own.
void TakeOverUninstallEntry(const char* programPath);
// Imports the desktop wallpaper and its tiling into the settings and the
// wallpaper list (memory only). Only a value that names an existing file is
// a wallpaper (environment strings expanded, a bare name taken from the
// Windows directory); it becomes the current file, appended as its full path
// unless the list holds that file already. Any other value switches wallpaper
// cycling off.
void ImportDesktopWallpaper(AppSettings& settings, FileList& wallpaper);
// The first-installation steps after the marker check: backup, uninstall entry
// take-over, wallpaper import.
void RunFirstInstallation(const char* programPath, AppSettings& settings, FileListSet& lists);

// Puts the backed-up logos back (or deletes the installed ones where there is
// no backup) and removes the backup folder.
void RestoreOriginalLogos(const char* programPath, const AppSettings& settings);
// Starts the stored "UNINSTALL_STRING" command, if any, without waiting.
bool LaunchSetupUninstaller();
// The uninstall sequence: RemoveRenderedWallpaper for the program's directory,
// RestoreOriginalLogos, then LaunchSetupUninstaller.
void RunUninstall(const char* programPath, const AppSettings& settings);

// ---------------------------------------------------------------------------
// Wallpaper

extern const char DESKTOP_KEY[];     // under HKEY_CURRENT_USER

// Advances the wallpaper, saves its list and applies it.
void CycleWallpaper(const AppSettings& settings, FileList& wallpaper, const Clock& clock = SystemClock());
// The wallpaper the program renders, in the program's directory: one 24-bit
// bitmap, "Rendered.bmp" (an 8.3 name, so its short and long names agree).
extern const char RENDERED_WALLPAPER_NAME[];

// Makes wallpaper.Current (as a full path) the desktop wallpaper, tiled for
// Tile, centred for Center and any unknown code, stretched to the screen for
// Stretch, and at the largest size that fits the screen in its proportions,
// centred, for BestFit. A bitmap Windows 95 shows itself (see
// IsPlainWallpaperBitmap), tiled or centred, is handed to Windows as it is;
// every other picture, and every one under Stretch or BestFit, is decoded,
// scaled and written to RENDERED_WALLPAPER_NAME, which then becomes the
// wallpaper with "WallpaperStyle" "0". A file that cannot be decoded or
// rendered leaves the desktop and the registry as they were.
void ApplyWallpaper(const FileList& wallpaper, WallpaperStyle style);
// The rendering step of ApplyWallpaper: decodes `source` (transparency onto
// the desktop colour), scales it for `style` and writes it as a 24-bit bitmap
// over `target`, the whole-file way of the lists. False, and `target` as it
// was, when the picture cannot be decoded, scaled or written.
bool RenderWallpaperFile(const char* source, WallpaperStyle style, const char* target);
// Whether the file is a bitmap Windows 95 shows as a wallpaper by itself: a
// 12- or 40-byte header, bottom-up, 1, 4, 8 or 24 bits per pixel,
// uncompressed or run-length encoded.
bool IsPlainWallpaperBitmap(const char* path);
// Whether `path` names the rendered wallpaper of the program's directory.
bool IsRenderedWallpaper(const char* path);
// Whether a wallpaper of `style` depends on the screen's size (and is
// rendered again when it changes).
bool WallpaperFollowsScreen(WallpaperStyle style);
// At start-up: puts back the rendered wallpaper that a power cut left only as
// its complete temporary copy.
void RecoverRenderedWallpaper();
// At uninstall: sets the desktop to no wallpaper when it shows `rendered`
// (the rendered wallpaper's full path), then deletes that file and its
// temporary copies.
void RemoveRenderedWallpaper(const char* rendered);
