// Helpers shared by the Windows tests of the shell and of the pages: Windows
// paths of build-tree files and bounded waiting.
#pragma once
#include <windows.h>
#include <string>

namespace w32test {

// "Z:\..." for a Linux path (Wine maps Z: to the root directory).
inline std::string WindowsPath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// Polls `condition` (and dispatches this thread's messages meanwhile) every
// 20 ms for up to `timeoutMs`.
template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
}

}  // namespace w32test
