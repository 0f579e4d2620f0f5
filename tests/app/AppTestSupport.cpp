#include "AppTestSupport.h"

#include <shellapi.h>
#include <cstring>
#include <fstream>
#include <sstream>

namespace apptest {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string MakeEmptyFolder(const std::string& name) {
    std::string root = WindowsPath(IW_TEST_WORK_ROOT);
    CreateDirectoryA(root.c_str(), NULL);
    std::string folder = root + "\\" + name;
    CreateDirectoryA(folder.c_str(), NULL);
    for (const std::string& file : FolderContents(folder)) {
        const std::string path = folder + "\\" + file;
        if (DeleteFileA(path.c_str()))
            continue;
        // A folder an earlier run made there (such as the program's Screens).
        for (const std::string& inner : FolderContents(path))
            DeleteFileA((path + "\\" + inner).c_str());
        RemoveDirectoryA(path.c_str());
    }
    return folder;
}

std::vector<std::string> FolderContents(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::vector<std::string> FilesBesideProgram(const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& name : FolderContents(folder))
        if (lstrcmpiA(name.c_str(), PROGRAM_FILE) != 0)
            names.push_back(name);
    return names;
}

Program::Program(const std::string& arguments, const std::string& folder, const std::string& exe) {
    std::memset(&m_process, 0, sizeof m_process);
    std::string program = exe;
    if (program.empty()) {
        program = folder + "\\" + PROGRAM_FILE;
        if (!CopyFileA(WindowsPath(IW_IMAGEWHEEL_EXE).c_str(), program.c_str(), FALSE))
            return;
    }
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    std::vector<char> text(commandLine.begin(), commandLine.end());
    text.push_back('\0');
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(NULL, text.data(), NULL, NULL, FALSE, 0, NULL, folder.c_str(), &startup, &m_process))
        std::memset(&m_process, 0, sizeof m_process);
}

Program::~Program() {
    if (!Started())
        return;
    if (Running()) {
        TerminateProcess(m_process.hProcess, 1);
        WaitForSingleObject(m_process.hProcess, EXIT_TIMEOUT_MS);
    }
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
}

bool Program::WaitForExit(DWORD timeoutMs) {
    DWORD exitCode = 1;
    return Started() && WaitForSingleObject(m_process.hProcess, timeoutMs) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(m_process.hProcess, &exitCode) && exitCode == 0;
}

bool Program::Running() {
    return Started() && WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

namespace {

struct Search {
    DWORD ProcessId;
    std::vector<HWND> Windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam) {
    Search* search = reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->ProcessId)
        search->Windows.push_back(window);
    return TRUE;
}

std::vector<HWND> WindowsOf(DWORD processId) {
    Search search{processId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.Windows;
}

std::string TextOf(HWND window) {
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

}  // namespace

HWND Program::TrayWindow() const {
    for (HWND window : WindowsOf(Id()))
        if (TextOf(window) == "Imagewheel" && ClassOf(window) != "#32770" && !IsWindowVisible(window))
            return window;
    return NULL;
}

HWND Program::SheetWindow() const {
    return DialogWindow("Imagewheel");
}

HWND Program::DialogWindow(const char* caption) const {
    for (HWND window : WindowsOf(Id()))
        if (ClassOf(window) == "#32770" && IsWindowVisible(window) && TextOf(window) == caption)
            return window;
    return NULL;
}

HWND Program::PopupMenuWindow() const {
    for (HWND window : WindowsOf(Id()))
        if (ClassOf(window) == "#32768" && IsWindowVisible(window))
            return window;
    return NULL;
}

std::vector<HWND> Program::VisibleWindows() const {
    std::vector<HWND> visible;
    for (HWND window : WindowsOf(Id()))
        if (IsWindowVisible(window))
            visible.push_back(window);
    return visible;
}

bool TrayIconPresent(HWND trayWindow) {
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = trayWindow;
    data.uID = 128;
    data.uFlags = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

std::string MessageBoxText(HWND box) {
    return TextOf(GetDlgItem(box, 0xFFFF));
}

void SendTrayMouse(HWND trayWindow, UINT mouseMessage) {
    PostMessageA(trayWindow, WM_USER + 1000, 128, mouseMessage);
}

bool Synced(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, START_TIMEOUT_MS, &result) != 0;
}

bool XInput(const std::string& arguments) {
    // A Unix process started from Wine has no process handle to wait on: the
    // shell records xdotool's exit status in a file when it is done.
    static int runs = 0;
    const std::string done = std::string(IW_TEST_WORK_ROOT) + "/xinput-" +
                             std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs) + ".status";
    const std::string doneFile = WindowsPath(done.c_str());
    CreateDirectoryA(WindowsPath(IW_TEST_WORK_ROOT).c_str(), NULL);
    DeleteFileA(doneFile.c_str());
    std::string commandLine = "/bin/sh -c \"xdotool " + arguments + "; echo $? >'" + done + "'\"";
    std::vector<char> text(commandLine.begin(), commandLine.end());
    text.push_back('\0');
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    std::memset(&process, 0, sizeof process);
    if (!CreateProcessA(NULL, text.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return false;
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess)
        CloseHandle(process.hProcess);
    std::string status;
    // The shell writes the line at once: a file holding less is still being written.
    const bool finished = WaitFor([&] {
        status = ReadWholeFile(doneFile);
        return !status.empty() && status.back() == '\n';
    }, START_TIMEOUT_MS);
    DeleteFileA(doneFile.c_str());
    return finished && status == "0\n";
}

bool MovePointer(POINT screen) {
    POINT at;
    return XInput("mousemove --sync " + std::to_string(screen.x) + " " + std::to_string(screen.y)) &&
           WaitFor([&] { return GetCursorPos(&at) && at.x == screen.x && at.y == screen.y; }, START_TIMEOUT_MS);
}

bool ClickAt(POINT screen) {
    return MovePointer(screen) && XInput("click 1");
}

bool PressKeys(const std::string& keys, const std::function<bool()>& effect) {
    return XInput("key " + keys) && WaitFor(effect, START_TIMEOUT_MS) && WaitFor([] {
        return GetAsyncKeyState(VK_CONTROL) >= 0 && GetAsyncKeyState(VK_SHIFT) >= 0 && GetAsyncKeyState(VK_MENU) >= 0;
    }, START_TIMEOUT_MS);
}

}  // namespace apptest
