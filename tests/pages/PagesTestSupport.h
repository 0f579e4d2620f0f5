// Helpers shared by the page and sheet tests: Windows paths of build-tree
// files, a message box sink that records what would have been shown, a
// driver for modal sheets, and bounded waiting.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class CPropertySheet;

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

// Runs `sheet` modally; once its active page is on screen, `act` runs once
// and then `button` (PSBTN_OK, PSBTN_CANCEL) closes the sheet. A sheet that
// shows no page within 15 s is cancelled and the test fails. Returns DoModal's
// result.
INT_PTR RunSheet(CPropertySheet& sheet, std::function<void(CPropertySheet&)> act, int button);

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
