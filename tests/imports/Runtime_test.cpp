// The C runtime a running imagewheel.exe uses is crtdll.dll, the one every
// Windows 95 has. Wine's own DLLs load msvcrt.dll into every process, so only
// crtdll.dll's presence tells something here; that nothing of the exe needs
// msvcrt.dll is the import check's part (check-win95-imports.sh).
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>
#include "AppTestSupport.h"
#include <tlhelp32.h>

using namespace apptest;

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The file names (lower case) of the modules loaded in process `id`, read with
// the toolhelp functions (KERNEL32 of Windows 95 and of Windows 2000 and
// later), looked up at run time as a program would.
std::vector<std::string> ModulesOf(DWORD id) {
    typedef HANDLE(WINAPI * Snapshot)(DWORD, DWORD);
    typedef BOOL(WINAPI * Walk)(HANDLE, MODULEENTRY32*);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto lookUp = [kernel](const char* name) { return reinterpret_cast<void*>(GetProcAddress(kernel, name)); };
    const Snapshot snapshot = reinterpret_cast<Snapshot>(lookUp("CreateToolhelp32Snapshot"));
    const Walk first = reinterpret_cast<Walk>(lookUp("Module32First"));
    const Walk next = reinterpret_cast<Walk>(lookUp("Module32Next"));
    std::vector<std::string> names;
    if (!snapshot || !first || !next) {
        ADD_FAILURE() << "no toolhelp functions in KERNEL32";
        return names;
    }
    const HANDLE modules = snapshot(TH32CS_SNAPMODULE, id);
    if (modules == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "no module snapshot of process " << id << ", error " << GetLastError();
        return names;
    }
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = first(modules, &entry); more; more = next(modules, &entry)) names.push_back(Lower(entry.szModule));
    CloseHandle(modules);
    return names;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    for (const std::string& n : names)
        if (n == name) return true;
    return false;
}

void StopRunningInstances() {
    SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("ImagewheelMessage_KillFirstInstance"), 0, 0,
                        SMTO_ABORTIFHUNG, 5000, NULL);
}

}  // namespace

TEST(RuntimeTest, TheRunningProgramAndTheTestsUseCrtdll) {
    // The tests link the same way as the program: this process runs on it too.
    EXPECT_NE(nullptr, GetModuleHandleA("crtdll.dll"));

    StopRunningInstances();
    {
        Program program("/cycle", MakeEmptyFolder("runtime"));
        ASSERT_TRUE(program.Started());
        // Resident: start-up is over, the C runtime has done its part.
        HWND tray = NULL;
        ASSERT_TRUE(WaitFor([&] { return (tray = program.TrayWindow()) != NULL && TrayIconPresent(tray); },
                            START_TIMEOUT_MS))
            << "no tray window with its icon";
        const std::vector<std::string> modules = ModulesOf(program.Id());
        EXPECT_TRUE(Contains(modules, "imagewheel.exe")) << "not the program's modules";
        std::string list;
        for (const std::string& name : modules) list += " " + name;
        EXPECT_TRUE(Contains(modules, "crtdll.dll")) << "modules:" << list;

        StopRunningInstances();
        EXPECT_TRUE(program.WaitForExit());
    }
}
