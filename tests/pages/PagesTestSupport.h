// Helpers shared by the page and sheet tests: a message box sink that records
// what would have been shown and a driver for modal sheets (Windows paths and
// bounded waiting come from Win32TestSupport.h).
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "Win32TestSupport.h"

class CPropertySheet;

namespace pagestest {

using w32test::WindowsPath;
using w32test::WaitFor;

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

}  // namespace pagestest
