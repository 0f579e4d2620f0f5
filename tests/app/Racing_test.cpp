// Starts of imagewheel.exe that race each other, as when a user double-clicks
// the icon several times or the Run entry and a shortcut fire together.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "AppTestSupport.h"

using namespace apptest;

namespace {

struct Start {
    PROCESS_INFORMATION Process;
    bool Running() const { return WaitForSingleObject(Process.hProcess, 0) == WAIT_TIMEOUT; }
};

// Created suspended and let go together, so that all of them reach the
// single-instance test within the same moment.
std::vector<Start> LaunchTogether(const std::string& exe, const std::string& folder, int count) {
    std::vector<Start> starts;
    for (int i = 0; i < count; ++i) {
        std::string commandLine = "\"" + exe + "\" /cycle";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        Start start = {};
        if (CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, folder.c_str(),
                           &startup, &start.Process))
            starts.push_back(start);
    }
    for (Start& start : starts)
        ResumeThread(start.Process.hThread);
    return starts;
}

struct TrayWindows {
    std::vector<DWORD> Processes;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectTrayWindow(HWND window, LPARAM lParam) {
    TrayWindows* search = reinterpret_cast<TrayWindows*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char text[64] = "", name[64] = "";
    GetWindowTextA(window, text, sizeof text);
    GetClassNameA(window, name, sizeof name);
    for (DWORD process : search->Processes)
        if (owner == process && std::string(text) == "Imagewheel" && std::string(name) != "#32770" &&
            !IsWindowVisible(window))
            search->Found.push_back(window);
    return TRUE;
}

// The tray windows of these processes that have their icon.
std::vector<HWND> ResidentTrayWindows(const std::vector<Start>& starts) {
    TrayWindows search;
    for (const Start& start : starts)
        search.Processes.push_back(start.Process.dwProcessId);
    EnumWindows(CollectTrayWindow, reinterpret_cast<LPARAM>(&search));
    std::vector<HWND> resident;
    for (HWND window : search.Found)
        if (TrayIconPresent(window))
            resident.push_back(window);
    return resident;
}

// A window of another program that takes its time over every question of a
// start, as busy programs do: each start's broadcast then lasts long enough to
// meet the others' broadcasts.
const char SLOW_CLASS[] = "RacingTestSlowWindow";
LRESULT CALLBACK SlowWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static const UINT ask = RegisterWindowMessageA("ImagewheelMessage_AskFirstInstance");
    if (message == ask) {
        Sleep(100);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateSlowWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SlowWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = SLOW_CLASS;
    RegisterClassA(&windowClass);
    return CreateWindowA(SLOW_CLASS, "slow", WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL, GetModuleHandleA(NULL), NULL);
}

void StopEveryInstance() {
    SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("ImagewheelMessage_KillFirstInstance"), 0, 0,
                        SMTO_ABORTIFHUNG, 5000, NULL);
}

TEST(RacingStartsTest, TwentyStartsAtOnceLeaveOneInstanceWithOneIcon) {
    StopEveryInstance();
    const std::string folder = MakeEmptyFolder("racing");
    const std::string exe = folder + "\\" + PROGRAM_FILE;
    ASSERT_TRUE(CopyFileA(WindowsPath(IW_IMAGEWHEEL_EXE).c_str(), exe.c_str(), FALSE));

    HWND slow = CreateSlowWindow();
    ASSERT_NE(nullptr, slow);
    // Twice: how closely the starts meet varies from one race to the next.
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE("race " + std::to_string(round));
        std::vector<Start> starts = LaunchTogether(exe, folder, 20);
        ASSERT_EQ(20u, starts.size());
        auto running = [&] {
            int count = 0;
            for (const Start& start : starts)
                count += start.Running();
            return count;
        };
        // Every start but one hands over and ends; the one left is resident.
        EXPECT_TRUE(WaitFor([&] { return running() == 1 && ResidentTrayWindows(starts).size() == 1; }, 60000))
            << running() << " processes running, " << ResidentTrayWindows(starts).size() << " with an icon";
        // The other starts have all ended, so none of them can still become
        // resident later.
        for (const Start& start : starts) {
            if (start.Running())
                continue;
            DWORD exitCode = 1;
            GetExitCodeProcess(start.Process.hProcess, &exitCode);
            EXPECT_EQ(0u, exitCode) << "a start that handed over ends normally";
        }

        // A later start still hands over to the one instance.
        Program late("/cycle", folder, exe);
        EXPECT_TRUE(late.WaitForExit());
        EXPECT_EQ(1, running());

        StopEveryInstance();
        for (Start& start : starts) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(start.Process.hProcess, EXIT_TIMEOUT_MS));
            if (start.Running())
                TerminateProcess(start.Process.hProcess, 1);
            CloseHandle(start.Process.hThread);
            CloseHandle(start.Process.hProcess);
        }
    }
    DestroyWindow(slow);
    WritePrivateProfileStringA(NULL, NULL, NULL, "imagewheel.ini");
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    DeleteFileA((std::string(windows) + "\\imagewheel.ini").c_str());
}

}  // namespace
