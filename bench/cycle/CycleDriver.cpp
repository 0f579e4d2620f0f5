// Times a whole cycle run of the real program (start, advance, save, install
// the three logos, resident) against a Win32 program that does nothing, and
// compares the resident program's memory with a minimal resident program that
// has one notification icon. All three run under the same Wine, alternately.
//
//   bench_cycle_driver IMAGEWHEEL_EXE [RUNS]
//
// The program runs from C:\iwbench\app with three logo lists of two 129,078-
// byte files each (the size of a Windows 95 logo); every run advances and
// installs all three. Files the benchmark touches are put back afterwards.
#include <windows.h>
#include <psapi.h>
#include "../common/BenchWin32.h"

using namespace bench;

namespace {

const char BENCH_DIR[] = "C:\\iwbench";
const char APP_DIR[] = "C:\\iwbench\\app\\";
const char PROFILE[] = "IMAGEWHEEL.INI";
const size_t LOGO_SIZE = 129078;

HANDLE Start(const std::string& exe, const std::string& arguments, const char* directory) {
    return StartProcess(exe, arguments, directory).hProcess;
}

// Waits until `process` shows the top-level window `title` and its message
// loop is idle; false if it ended instead.
bool WaitResident(HANDLE process, const char* title) {
    for (int i = 0; i < 6000; ++i) {
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return false;
        if (FindWindowA(NULL, title) && WaitForInputIdle(process, 10000) == 0) return true;
        Sleep(1);
    }
    return false;
}

struct Memory {
    double WorkingSetKiB;
    double PrivateKiB;
};

Memory MemoryOf(HANDLE process) {
    Sleep(300);   // let start-up work settle
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return {0, 0};
    return {counters.WorkingSetSize / 1024.0, counters.PagefileUsage / 1024.0};
}

void PrepareCycleRun(const std::string& imagewheel) {
    CreateDirectoryA(BENCH_DIR, NULL);
    CreateDirectoryA(APP_DIR, NULL);
    bool found;
    const std::string exe = ReadFileBytes(imagewheel, found);
    if (!found || !WriteFileBytes(std::string(APP_DIR) + "imagewheel.exe", exe)) {
        fprintf(stderr, "cannot copy %s\n", imagewheel.c_str());
        exit(1);
    }
    const char* categories[] = {"Signon", "Shutdown", "Signoff"};
    for (int c = 0; c < 3; ++c) {
        std::string list;
        for (int i = 0; i < 2; ++i) {
            std::string logo(LOGO_SIZE, static_cast<char>('a' + c * 2 + i));
            const std::string path = std::string(APP_DIR) + categories[c] + std::to_string(i) + ".sys";
            WriteFileBytes(path, logo);
            list += path + "\r\n";
        }
        WriteFileBytes(std::string(APP_DIR) + categories[c] + "FileList.txt", list);
        WriteFileBytes(std::string(APP_DIR) + "Curr" + categories[c] + "File.txt", "\r\n");
    }
    DeleteFileA((WindowsDir() + PROFILE).c_str());
    WritePrivateProfileStringA("CONFIG", "BOOT_DRIVE", "C", PROFILE);
    WritePrivateProfileStringA("CONFIG", "WALLPAPER_CYCLE_ENABLE", "0", PROFILE);
}

void RemoveBenchDir() {
    RemoveFolder(std::string(APP_DIR, sizeof APP_DIR - 2));   // without the trailing backslash
    RemoveDirectoryA(BENCH_DIR);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bench_cycle_driver IMAGEWHEEL_EXE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 10;
    if (FindWindowA(NULL, "Imagewheel")) {
        fprintf(stderr, "an Imagewheel instance is already running in this prefix\n");
        return 1;
    }
    const std::string doNothing = SiblingExe("bench_do_nothing.exe");
    const std::string tray = SiblingExe("bench_tray_minimal.exe");
    const std::string imagewheel = std::string(APP_DIR) + "imagewheel.exe";
    const UINT killMessage = RegisterWindowMessageA("ImagewheelMessage_KillFirstInstance");

    const std::vector<SavedFile> saved = {SavedFile(WindowsDir() + PROFILE), SavedFile(WindowsDir() + "Logow.sys"),
                                          SavedFile(WindowsDir() + "Logos.sys"), SavedFile("C:\\Logo.sys")};
    PrepareCycleRun(argv[1]);

    std::vector<double> nothingTimes, cycleTimes, trayTimes, pairRatios, cycleSet, traySet, cyclePrivate, trayPrivate;
    bool failed = false;
    for (int run = 0; run <= runs && !failed; ++run) {   // run 0 warms the caches and is not counted
        double t0 = Seconds();
        HANDLE process = Start(doNothing, "", NULL);
        WaitForSingleObject(process, INFINITE);
        const double nothing = Seconds() - t0;
        CloseHandle(process);

        double cycle = 0, trayTime = 0;
        Memory cycleMemory = {0, 0}, trayMemory = {0, 0};
        auto measureCycle = [&] {
            const double start = Seconds();
            HANDLE p = Start(imagewheel, "/cycle", APP_DIR);
            if (!WaitResident(p, "Imagewheel")) {
                fprintf(stderr, "imagewheel.exe /cycle did not become resident\n");
                failed = true;
            }
            cycle = Seconds() - start;
            cycleMemory = MemoryOf(p);
            SendMessageA(HWND_BROADCAST, killMessage, 0, 0);
            End(p);
        };
        auto measureTray = [&] {
            const double start = Seconds();
            HANDLE p = Start(tray, "", NULL);
            if (!WaitResident(p, "IwBenchTray")) {
                fprintf(stderr, "bench_tray_minimal.exe did not become resident\n");
                failed = true;
            }
            trayTime = Seconds() - start;
            trayMemory = MemoryOf(p);
            PostMessageA(FindWindowA(NULL, "IwBenchTray"), WM_CLOSE, 0, 0);
            End(p);
        };
        // Each start follows the end of another program, whose clean-up
        // (windows, icon, files) may still be going on: every other run
        // the two change places.
        if (run % 2 == 0) {
            measureCycle();
            measureTray();
        } else {
            measureTray();
            measureCycle();
        }

        if (run == 0) continue;
        nothingTimes.push_back(nothing * 1000);
        cycleTimes.push_back(cycle * 1000);
        trayTimes.push_back(trayTime * 1000);
        pairRatios.push_back(cycle / trayTime);
        cycleSet.push_back(cycleMemory.WorkingSetKiB);
        traySet.push_back(trayMemory.WorkingSetKiB);
        cyclePrivate.push_back(cycleMemory.PrivateKiB);
        trayPrivate.push_back(trayMemory.PrivateKiB);
    }
    for (const SavedFile& file : saved) file.Restore();
    RemoveBenchDir();
    if (failed) return 1;

    const double nothing = Median(nothingTimes), cycle = Median(cycleTimes);
    printf("runs: %d (medians; one warm-up run not counted)\n", runs);
    printf("do-nothing program, start to exit:          %8.1f ms\n", nothing);
    printf("imagewheel.exe /cycle, start to resident:   %8.1f ms\n", cycle);
    printf("minimal tray program, start to resident:    %8.1f ms\n", Median(trayTimes));
    // A window under Wine loads the user-interface libraries that a program
    // without one never touches: the minimal tray program is the measure, the
    // do-nothing program only shows what starting a process costs.
    printf("cycle run / do-nothing:                     %8.2f\n", cycle / nothing);
    printf("cycle run / minimal tray start:             %8.2f   (goal <= 1.3)\n", cycle / Median(trayTimes));
    // The load of a shared machine changes within seconds: the ratio of the
    // two starts of each run, made within a second of each other, follows
    // the program more closely than the ratio of the medians.
    printf("  the same, median of each run's own ratio:     %8.2f\n", Median(pairRatios));
    printf("resident working set: imagewheel %.0f KiB, minimal tray %.0f KiB, ratio %.2f (goal <= 1.15)\n",
           Median(cycleSet), Median(traySet), Median(cycleSet) / Median(traySet));
    printf("resident private bytes: imagewheel %.0f KiB, minimal tray %.0f KiB, ratio %.2f (goal <= 1.3)\n",
           Median(cyclePrivate), Median(trayPrivate), Median(cyclePrivate) / Median(trayPrivate));
    return 0;
}
