// Helpers shared by the page tests: Windows paths of build-tree files,
// a message box sink that records what would have been shown, and bounded
// waiting.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace pagestest {

// "Z:\..." for a Linux path (Wine maps Z: to the root directory).
std::string WindowsPath(const char* unixPath);

struct RecordedBox {
    HWND Owner;
    std::string Text;
    std::string Caption;
    UINT Type;
};

// Installs a sink for its lifetime that records every box and answers `answer`.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int answer = IDOK);
    ~MessageBoxRecorder();
    const std::vector<RecordedBox>& Boxes() const;
};

// Polls `condition` (and pumps this thread's messages) for up to `timeoutMs`.
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

}  // namespace pagestest
