// Times the real program with long file lists.
//
//   bench_lists_driver IMAGEWHEEL_EXE [ROUNDS] [SIZE...]     (default: 5 rounds, 10 1000 10000 30000)
//
// Cycle runs: all four lists hold SIZE entries; every run advances and installs
// the three logos (from the last entry to the first, so the search for the
// current file crosses the whole list) and saves their lists. Timed from the
// start of `imagewheel /cycle` until it is resident (its window, its icon, an
// idle message loop). The sizes take turns within each round, so a busy
// machine disturbs them alike.
//
// Sheet open-and-OK: a resident cycle run with a wallpaper list of 30,000
// entries (and of 10 for comparison) gets command 2025, which opens the sheet;
// once the sheet is idle, its Wallpaper page is selected (PSM_SETCURSEL), so
// that the page loads its list; once the page's list box holds every entry and
// the program is idle, OK is pressed, and the page saves its list. Three
// times: the command until the sheet is shown and idle; the page selection
// until its list box is filled; OK until the last file it writes is written.
// Before OK another wallpaper entry is selected, as a user would, so that the
// wallpaper's current file changes: OK saves the four categories in turn,
// the wallpaper last, each list file (compared first, and written only when
// its text changed) before its current-file file, so that file is the last.
//
// Every run checks that the files it wrote hold what they held before (the
// current files moved on by one). A run that is not resident within
// IW_BENCH_TIMEOUT seconds (default 60) is ended and its size dropped.
// Files and desktop values the benchmark touches are put back afterwards.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <cstring>
#include "../common/BenchWin32.h"

using namespace bench;

namespace {

const char BENCH_DIR[] = "C:\\iwbench-lists";
const char PICTURE_DIR[] = "C:\\iwbench-lists\\Pictures of the family";
const char PROFILE[] = "IMAGEWHEEL.INI";
const char DESKTOP_KEY[] = "Control Panel\\Desktop";
const size_t LOGO_SIZE = 129078;
const UINT ID_SHOW_IMAGEWHEEL = 2025;
const UINT TRAY_ICON_ID = 128;
const int WALLPAPER_PAGE = 3;   // Signon, Shutdown, Signoff, Wallpaper, General
const int ID_FILE_LIST = 1041;  // the page's list box
const char* const CATEGORIES[] = {"Signon", "Shutdown", "Signoff", "Wallpaper"};

double g_timeout = 60;

std::string EntryName(unsigned int i) {
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%s\\Holiday %04u\\picture %06u.bmp", PICTURE_DIR, 1990 + i % 37, i);
    return name;
}

std::string ListText(unsigned int size) {
    std::string text;
    text.reserve(size * 64);
    for (unsigned int i = 0; i < size; ++i) text += EntryName(i) + "\r\n";
    return text;
}

// A 2 x 2 true-colour bitmap, for the wallpaper OK applies.
std::string SmallBitmap() {
    const unsigned char header[54] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0,
                                      2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0x13, 0x0B, 0, 0,
                                      0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::string bytes(reinterpret_cast<const char*>(header), sizeof header);
    bytes += std::string("\x20\x40\x80\x80\x40\x20\0\0\x10\x90\x30\x30\x90\x10\0\0", 16);
    return bytes;
}

// Entry 0 is a logo file, the last entry a bitmap: the only two entries any
// run installs or applies.
void PreparePictures(std::vector<unsigned int> sizes) {
    CreateDirectoryA(BENCH_DIR, NULL);
    CreateDirectoryA(PICTURE_DIR, NULL);
    sizes.push_back(10);
    sizes.push_back(10000);   // the sheet's lists
    sizes.push_back(30000);
    for (unsigned int& size : sizes) size -= 1;
    sizes.push_back(0);
    for (unsigned int entry : sizes) {
        const std::string name = EntryName(entry);
        const std::string folder = name.substr(0, name.find_last_of('\\'));
        CreateDirectoryA(folder.c_str(), NULL);
        WriteFileBytes(name, entry == 0 ? std::string(LOGO_SIZE, 'L') : SmallBitmap());
    }
}

void RemovePictures() {
    for (unsigned int year = 1990; year < 1990 + 37; ++year) {
        char folder[MAX_PATH];
        snprintf(folder, sizeof folder, "%s\\Holiday %04u", PICTURE_DIR, year);
        RemoveFolder(folder);
    }
    RemoveFolder(PICTURE_DIR);
}

// A program folder with the exe and the four lists, `sizes[c]` entries each.
struct Setup {
    std::string Folder;
    unsigned int Sizes[4];
    std::string Lists[4];

    Setup(const std::string& name, const std::string& exeBytes, const unsigned int (&sizes)[4])
        : Folder(std::string(BENCH_DIR) + "\\" + name) {
        CreateDirectoryA(Folder.c_str(), NULL);
        if (!WriteFileBytes(Path("imagewheel.exe"), exeBytes)) {
            fprintf(stderr, "cannot write %s\n", Path("imagewheel.exe").c_str());
            exit(1);
        }
        for (int c = 0; c < 4; ++c) {
            Sizes[c] = sizes[c];
            Lists[c] = ListText(sizes[c]);
            WriteFileBytes(ListFile(c), Lists[c]);
        }
    }
    std::string Path(const std::string& file) const { return Folder + "\\" + file; }
    std::string ListFile(int c) const { return Path(std::string(CATEGORIES[c]) + "FileList.txt"); }
    std::string CurrentFile(int c) const { return Path(std::string("Curr") + CATEGORIES[c] + "File.txt"); }
    std::string Exe() const { return Path("imagewheel.exe"); }

    // Every category's current file is its last entry.
    void ResetCurrentFiles() const {
        for (int c = 0; c < 4; ++c) WriteFileBytes(CurrentFile(c), EntryName(Sizes[c] - 1) + "\r\n");
    }
    // The lists are as written and the current files are as expected (the
    // logos moved on to entry 0 after a cycle run).
    // The wallpaper entry the sheet run selects before OK.
    LRESULT SheetSelection() const { return static_cast<LRESULT>(Sizes[3] / 2); }
    bool Check(bool logosCycled, const char* what, bool wallpaperSelected = false) const {
        for (int c = 0; c < 4; ++c) {
            const bool moved = logosCycled && c < 3;
            const unsigned int index = moved ? 0 : c == 3 && wallpaperSelected ? Sizes[3] / 2 : Sizes[c] - 1;
            const std::string current = EntryName(index) + "\r\n";
            if (ReadFileBytes(ListFile(c)) != Lists[c] || ReadFileBytes(CurrentFile(c)) != current) {
                fprintf(stderr, "%s: the %s files do not hold what they should\n", what, CATEGORIES[c]);
                return false;
            }
        }
        return true;
    }
    void Remove() const { RemoveFolder(Folder); }
};

HWND TrayWindowOf(DWORD processId) {
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, NULL, "Imagewheel")) != NULL) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        if (owner == processId && strcmp(name, "#32770") != 0) return window;
    }
    return NULL;
}

HWND SheetWindowOf(DWORD processId) {
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, "#32770", "Imagewheel")) != NULL) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window)) return window;
    }
    return NULL;
}

bool IconPresent(HWND trayWindow) {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = trayWindow;
    data.uID = TRAY_ICON_ID;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// Polls `done` every millisecond until it holds or the timeout passes.
template <class Predicate>
bool Poll(Predicate done) {
    const double end = Seconds() + g_timeout;
    while (!done()) {
        if (Seconds() > end) return false;
        Sleep(1);
    }
    return true;
}

// The tray window once the program is resident; null when it ended or the
// timeout passed.
HWND WaitResident(const PROCESS_INFORMATION& process) {
    HWND tray = NULL;
    const bool resident = Poll([&] {
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) return true;
        tray = TrayWindowOf(process.dwProcessId);
        return tray && IconPresent(tray) && WaitForInputIdle(process.hProcess, 0) == 0;
    });
    return resident && WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0 ? tray : NULL;
}

// Ends a resident program the way an uninstall run does; one that never got
// resident is terminated.
void Stop(const PROCESS_INFORMATION& process, HWND tray) {
    if (tray) {
        static const UINT kill = RegisterWindowMessageA("ImagewheelMessage_KillFirstInstance");
        SendMessageTimeoutA(HWND_BROADCAST, kill, 0, 0, SMTO_ABORTIFHUNG, 5000, NULL);
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    End(process.hProcess);
}

// Seconds from the start of a cycle run until it is resident; negative when
// it did not get there.
double TimeCycleRun(const Setup& setup) {
    setup.ResetCurrentFiles();
    const double t0 = Seconds();
    const PROCESS_INFORMATION process = StartProcess(setup.Exe(), "/cycle", setup.Folder.c_str());
    HWND tray = WaitResident(process);
    const double elapsed = Seconds() - t0;
    Stop(process, tray);
    if (!tray) return -1;
    return setup.Check(true, "cycle run") ? elapsed : -2;
}

// A last-write time long past, given to the file OK is to write.
const FILETIME& OldTime() {
    static const FILETIME time = [] {
        SYSTEMTIME date = {};
        date.wYear = 2001;
        date.wMonth = 1;
        date.wDay = 1;
        FILETIME result;
        SystemTimeToFileTime(&date, &result);
        return result;
    }();
    return time;
}

void MakeOld(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              0, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFileTime(file, NULL, NULL, &OldTime());
    CloseHandle(file);
}

bool WrittenAgain(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    return CompareFileTime(&data.ftLastWriteTime, &OldTime()) > 0;
}

struct SheetTimes {
    double Open;      // command 2025 until the sheet is shown and idle
    double Page;      // selecting the Wallpaper page until its list box holds the list
    double Ok;        // OK until the last file it writes is written
    bool Valid;
};

SheetTimes TimeSheet(const Setup& setup) {
    SheetTimes times = {0, 0, 0, false};
    setup.ResetCurrentFiles();
    const PROCESS_INFORMATION process = StartProcess(setup.Exe(), "/cycle", setup.Folder.c_str());
    HWND tray = WaitResident(process);
    if (!tray) {
        fprintf(stderr, "sheet: the cycle run did not become resident\n");
        Stop(process, tray);
        return times;
    }
    const std::string lastWritten = setup.CurrentFile(WALLPAPER_PAGE);
    MakeOld(lastWritten);

    const double t0 = Seconds();
    PostMessageA(tray, WM_COMMAND, ID_SHOW_IMAGEWHEEL, 0);
    HWND sheet = NULL;
    const bool opened = Poll([&] {
        sheet = SheetWindowOf(process.dwProcessId);
        return sheet && WaitForInputIdle(process.hProcess, 0) == 0;
    });
    const double t1 = Seconds();
    // The list box's count is read across processes (its text is not, under
    // Wine); the page is shown when it holds the whole list and the program
    // is idle.
    if (opened) PostMessageA(sheet, PSM_SETCURSEL, WALLPAPER_PAGE, 0);
    const LRESULT expected = setup.Sizes[3];
    LRESULT count = -1;
    const bool shown = opened && Poll([&] {
        DWORD_PTR page = 0;
        if (!SendMessageTimeoutA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 1000, &page) || !page)
            return false;
        HWND list = GetDlgItem(reinterpret_cast<HWND>(page), ID_FILE_LIST);
        DWORD_PTR n = 0;
        if (!list || !SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000, &n)) return false;
        count = static_cast<LRESULT>(n);
        if (count != expected || WaitForInputIdle(process.hProcess, 0) != 0) return false;
        DWORD_PTR selected = 0;
        return SendMessageTimeoutA(list, LB_SETCURSEL, setup.SheetSelection(), 0, SMTO_ABORTIFHUNG, 1000,
                                   &selected) && static_cast<LRESULT>(selected) == setup.SheetSelection();
    });
    const double t2 = Seconds();
    if (shown) PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    const bool written = shown && Poll([&] { return WrittenAgain(lastWritten); });
    const double t3 = Seconds();
    // Let OK finish (logos, wallpaper, timer) before the program is stopped.
    if (written) {
        Poll([&] { return !SheetWindowOf(process.dwProcessId); });
        Sleep(500);
        WaitForInputIdle(process.hProcess, 10000);
    }
    Stop(process, tray);
    if (!opened || !shown || !written) {
        if (opened && !shown)
            fprintf(stderr, "sheet: the Wallpaper page did not show its %ld entries in time (list box: %ld)\n",
                    static_cast<long>(expected), static_cast<long>(count));
        else
            fprintf(stderr, "sheet: %s\n", opened ? "OK did not write the wallpaper's current file in time" : "the sheet did not open");
        return times;
    }
    times = {t1 - t0, t2 - t1, t3 - t2, setup.Check(true, "sheet", true)};
    return times;
}

std::string RegistryValue(const char* name, bool& found) {
    char value[1024] = "";
    DWORD size = sizeof value - 1;
    HKEY key;
    found = false;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        found = RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    value[found ? size : 0] = '\0';
    return value;
}

// A desktop value that OK changes, put back at the end.
struct SavedDesktopValue {
    const char* Name;
    std::string Value;
    bool Existed;
    explicit SavedDesktopValue(const char* name) : Name(name) { Value = RegistryValue(name, Existed); }
    void Restore() const {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
        if (Existed)
            RegSetValueExA(key, Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                           static_cast<DWORD>(Value.size() + 1));
        else
            RegDeleteValueA(key, Name);
        RegCloseKey(key);
    }
};

bool NewInstallationMarked() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\velmorra software\\imagewheel\\1.91", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    char value[16] = "";
    DWORD size = sizeof value - 1;
    const bool marked = RegQueryValueExA(key, "new installation", NULL, NULL, reinterpret_cast<BYTE*>(value),
                                         &size) == ERROR_SUCCESS &&
                        strncmp(value, "TRUE", size) == 0 && size >= 4;
    RegCloseKey(key);
    return marked;
}

void PrepareProfile() {
    DeleteFileA((WindowsDir() + PROFILE).c_str());
    WritePrivateProfileStringA("CONFIG", "BOOT_DRIVE", "C", PROFILE);
    WritePrivateProfileStringA("CONFIG", "WALLPAPER_CYCLE_ENABLE", "0", PROFILE);
    WritePrivateProfileStringA(NULL, NULL, NULL, PROFILE);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bench_lists_driver IMAGEWHEEL_EXE [ROUNDS] [SIZE...]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    std::vector<unsigned int> sizes;
    for (int i = 3; i < argc; ++i)
        if (atoi(argv[i]) > 0) sizes.push_back(static_cast<unsigned int>(atoi(argv[i])));
    if (sizes.empty()) sizes = {10, 1000, 10000, 30000};
    if (const char* timeout = getenv("IW_BENCH_TIMEOUT"))
        if (atof(timeout) > 0) g_timeout = atof(timeout);
    if (FindWindowA(NULL, "Imagewheel")) {
        fprintf(stderr, "an Imagewheel instance is already running in this prefix\n");
        return 1;
    }
    if (NewInstallationMarked()) {
        fprintf(stderr, "the first-installation marker is set in this prefix; clear it first\n");
        return 1;
    }
    bool found;
    const std::string exeBytes = ReadFileBytes(argv[1], found);
    if (!found) {
        fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }

    const std::vector<SavedFile> saved = {SavedFile(WindowsDir() + PROFILE), SavedFile(WindowsDir() + "Logow.sys"),
                                          SavedFile(WindowsDir() + "Logos.sys"), SavedFile("C:\\Logo.sys")};
    const std::vector<SavedDesktopValue> desktop = {SavedDesktopValue("Wallpaper"),
                                                    SavedDesktopValue("TileWallpaper")};
    PrepareProfile();
    PreparePictures(sizes);

    std::vector<Setup> setups;
    for (unsigned int size : sizes) {
        const unsigned int all[4] = {size, size, size, size};
        setups.emplace_back("cycle" + std::to_string(size), exeBytes, all);
    }
    // The middle size shows whether the sheet's cost grows linearly.
    const unsigned int sheetSizes[3][4] = {{10, 10, 10, 10}, {10, 10, 10, 10000}, {10, 10, 10, 30000}};
    const Setup sheets[3] = {Setup("sheet10", exeBytes, sheetSizes[0]), Setup("sheet10000", exeBytes, sheetSizes[1]),
                             Setup("sheet30000", exeBytes, sheetSizes[2])};

    printf("rounds: %d (medians; one warm-up run not counted); timeout %.0f s\n", rounds, g_timeout);
    fflush(stdout);
    std::vector<std::vector<double>> cycle(sizes.size());
    std::vector<bool> dropped(sizes.size(), false);
    TimeCycleRun(setups[0]);   // warm-up
    for (int round = 0; round < rounds; ++round) {
        for (size_t s = 0; s < sizes.size(); ++s) {
            if (dropped[s]) continue;
            const double t = TimeCycleRun(setups[s]);
            if (t < 0) {
                printf("cycle run, %u entries per list: %s; size dropped\n", sizes[s],
                       t == -1 ? "not resident within the timeout" : "wrong files");
                dropped[s] = true;
            } else {
                cycle[s].push_back(t * 1000);
            }
            fflush(stdout);
        }
    }

    std::vector<SheetTimes> sheetTimes[3];
    if (!getenv("IW_BENCH_NO_SHEET")) {
        for (int round = 0; round < rounds; ++round)
            for (int s = 0; s < 3; ++s) sheetTimes[s].push_back(TimeSheet(sheets[s]));
    }

    for (const SavedFile& file : saved) file.Restore();
    for (const SavedDesktopValue& value : desktop) value.Restore();
    for (const Setup& setup : setups) setup.Remove();
    for (const Setup& setup : sheets) setup.Remove();
    RemovePictures();
    RemoveDirectoryA(BENCH_DIR);

    printf("cycle run (all four lists of N entries), start to resident:\n");
    double base = -1;
    std::vector<double> medians(sizes.size(), -1);
    for (size_t s = 0; s < sizes.size(); ++s) {
        if (cycle[s].empty() || dropped[s]) {
            printf("  N = %6u: not measured\n", sizes[s]);
            continue;
        }
        medians[s] = Median(cycle[s]);
        const auto range = std::minmax_element(cycle[s].begin(), cycle[s].end());
        if (sizes[s] == 10) base = medians[s];
        printf("  N = %6u: %8.1f ms  (min %.1f, max %.1f)", sizes[s], medians[s], *range.first, *range.second);
        if (base >= 0 && sizes[s] != 10) printf("  extra %+8.1f ms", medians[s] - base);
        printf("\n");
    }
    double extra10k = -1, extra30k = -1;
    for (size_t s = 0; s < sizes.size(); ++s) {
        if (medians[s] < 0 || base < 0) continue;
        if (sizes[s] == 10000) extra10k = medians[s] - base;
        if (sizes[s] == 30000) extra30k = medians[s] - base;
    }
    if (extra10k >= 0 && extra30k >= 0)
        printf("extra(30000) / extra(10000): %.2f   (goal <= 3.5)\n", extra10k > 0 ? extra30k / extra10k : 0.0);
    if (extra30k >= 0) printf("extra(30000): %.1f ms   (goal <= 1000)\n", extra30k);

    double pageMedian[3] = {-1, -1, -1}, okMedian[3] = {-1, -1, -1};
    for (int s = 0; s < 3 && !sheetTimes[0].empty(); ++s) {
        std::vector<double> open, page, ok, total;
        for (const SheetTimes& t : sheetTimes[s]) {
            if (!t.Valid) continue;
            open.push_back(t.Open * 1000);
            page.push_back(t.Page * 1000);
            ok.push_back(t.Ok * 1000);
            total.push_back((t.Open + t.Page + t.Ok) * 1000);
        }
        if (total.empty()) {
            printf("sheet, wallpaper list of %u entries: not measured\n", sheets[s].Sizes[3]);
            continue;
        }
        printf("sheet, wallpaper list of %5u entries: open %.1f ms, Wallpaper page shown %.1f ms,"
               " OK until written %.1f ms, total %.1f ms (%zu of %d runs)\n",
               sheets[s].Sizes[3], Median(open), Median(page), Median(ok), Median(total), total.size(), rounds);
        pageMedian[s] = Median(page);
        okMedian[s] = Median(ok);
    }
    // Linear: what the 30,000-entry list adds over the 10-entry one is at
    // most 3.5 times what the 10,000-entry list adds.
    if (pageMedian[2] >= 0) {
        printf("sheet, 30,000 entries: Wallpaper page shown %.1f ms   (goal <= 500)\n", pageMedian[2]);
        if (pageMedian[0] >= 0 && pageMedian[1] >= 0) {
            const double extra10k = pageMedian[1] - pageMedian[0], extra30k = pageMedian[2] - pageMedian[0];
            // Extras of a few milliseconds are noise, and so is their ratio.
            if (extra10k >= 20)
                printf("sheet, Wallpaper page shown, extra(30000) / extra(10000): %.2f   (goal <= 3.5, linear)\n",
                       extra30k / extra10k);
            else
                printf("sheet, Wallpaper page shown, extra(10000) %.1f ms, extra(30000) %.1f ms: too small to"
                       " compare   (goal: linear, extra(30000) <= 3.5 x extra(10000))\n",
                       extra10k, extra30k);
        }
    }
    if (okMedian[2] >= 0) printf("sheet, 30,000 entries: OK until written %.1f ms   (goal <= 500)\n", okMedian[2]);
    return 0;
}
