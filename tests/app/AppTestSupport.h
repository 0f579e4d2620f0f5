// Running imagewheel.exe in separate processes under Wine and finding its
// windows: every wait is bounded.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "Win32TestSupport.h"

namespace apptest {

const DWORD START_TIMEOUT_MS = 20000;
const DWORD EXIT_TIMEOUT_MS = 20000;

using w32test::WindowsPath;
using w32test::WaitFor;

// A fresh, empty folder under the build tree, named after `name` (folders an
// earlier run left in it are emptied and removed).
std::string MakeEmptyFolder(const std::string& name);
// A file's bytes ("" when it cannot be read), and a file written with `bytes`.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
// The names in a folder ("." and ".." left out).
std::vector<std::string> FolderContents(const std::string& folder);

// The names in a folder but the program's own file PROGRAM_FILE: what a run
// of the copy there wrote.
const char PROGRAM_FILE[] = "imagewheel.exe";
std::vector<std::string> FilesBesideProgram(const std::string& folder);

// One run of the program; the destructor ends a process still running.
class Program {
public:
    // Starts imagewheel.exe with `arguments` in `folder` (its current
    // directory). The program works in its own directory, so by default the
    // built program is copied into `folder` and that copy runs; `exe` names
    // another copy to run instead.
    Program(const std::string& arguments, const std::string& folder, const std::string& exe = "");
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return m_process.hProcess != NULL; }
    DWORD Id() const { return m_process.dwProcessId; }
    // True when the process ended in time with exit code 0 (a crash under
    // Wine ends with another code).
    bool WaitForExit(DWORD timeoutMs = EXIT_TIMEOUT_MS);
    bool Running();

    // Its top-level windows.
    HWND TrayWindow() const;     // hidden, named "Imagewheel", not a dialog
    HWND SheetWindow() const;    // the visible dialog named "Imagewheel"
    HWND PopupMenuWindow() const;
    // A visible dialog with this caption (a message box), or NULL.
    HWND DialogWindow(const char* caption) const;
    std::vector<HWND> VisibleWindows() const;

private:
    PROCESS_INFORMATION m_process;
};

// True while the notification icon of `trayWindow` (id 128) is registered.
bool TrayIconPresent(HWND trayWindow);
// The text of a message box's message.
std::string MessageBoxText(HWND box);
// A mouse message of the icon, posted to its window as the notification area does.
void SendTrayMouse(HWND trayWindow, UINT mouseMessage);

// True once `window`'s thread has taken a message sent to it now. A thread
// takes sent messages only when it looks for messages (in a message loop, or
// while it waits for the answer to a message of its own), so the stretch of
// code it was running when the message came (the rest of its start, of a
// command) has ended, unless that code sends or waits for messages itself.
bool Synced(HWND window);

// Real input, given on the X server Wine draws on as a user gives it there:
// runs `xdotool ARGUMENTS` (Wine starts Unix programs too) and returns true
// once it has finished without error. Wine turns what X reports into input
// for the foreground window. Input injected into Wine alone (keybd_event,
// mouse_event, SetCursorPos) can disagree with X, and Wine settles that in
// X's favour at moments of its own: whenever one of its windows gains the
// focus it takes the modifier keys' state from X, dropping a Ctrl that X
// never saw pressed, and it moves its cursor to where X reports the pointer,
// which may still be a place left earlier.
bool XInput(const std::string& arguments);
// The pointer moved to `screen` on X, once Wine's cursor is there.
bool MovePointer(POINT screen);
// A left click at `screen`.
bool ClickAt(POINT screen);
// Keys in xdotool's names ("ctrl+Down", "Tab") pressed and released; true
// once `effect` holds and then every modifier is up again (the key ups come
// last, so the keys are all in before anything given after them).
bool PressKeys(const std::string& keys, const std::function<bool()>& effect);

}  // namespace apptest
