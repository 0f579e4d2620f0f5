// Helpers shared by the page and sheet tests: a message box sink that records
// what would have been shown, drivers for modal sheets and dialogs, and a
// reader of compiled dialog templates (Windows paths and bounded waiting come
// from Win32TestSupport.h).
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "Win32TestSupport.h"

class CDialog;
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

// Runs `dialog` modally; once it is on screen, `act` runs once with its
// window and then the button `close` is clicked. A dialog that does not show
// within 15 s fails the test. Returns DoModal's result.
INT_PTR RunDialog(CDialog& dialog, std::function<void(HWND)> act, int close);

// Runs `dialog` modally and, once it is on screen, plays `steps` in turn from
// a thread timer: each gets the dialog's window and returns true when done or
// false to be tried again at the next tick. Input a step posts is handled by
// the dialog's own modal loop (keyboard navigation included) before the next
// step runs. The steps close the dialog themselves; a step not done within
// 15 s fails the test and the dialog ends with IDABORT. Returns DoModal's
// result.
INT_PTR RunDialogSteps(CDialog& dialog, std::vector<std::function<bool(HWND)>> steps);

// Input as a user gives it: a left click in the middle of `window` (the
// cursor goes there, then button down and up arrive), and a key pressed and
// released in `window`.
void ClickMiddle(HWND window);
void PressKey(HWND window, UINT key);

// Dialog template `id` of this module as the resource compiler stored it (a
// template with a font): Lines holds the dialog's line, then one line per
// control with its id, class ("#n" for an atom), text, position, size, styles
// and creation data size; Texts holds the controls' texts alone. Both are
// empty when there is no such template.
struct DialogTemplate {
    std::vector<std::string> Lines;
    std::vector<std::string> Texts;
};
DialogTemplate ReadTemplate(int id);

// The line ReadTemplate gives for a dialog at 0,0 with no extended style, no
// menu or class of its own and 8 point MS Sans Serif (DS_SETFONT is added).
std::string DialogLine(DWORD style, int cx, int cy, const std::string& caption);
// The line it gives for a child control (WS_CHILD is added) with no extended
// style and no creation data. Class atoms: 0x80 button, 0x81 edit, 0x82 static,
// 0x83 list box, 0x85 combo box.
std::string ControlLine(int id, int atom, const std::string& text, int x, int y, int cx, int cy, DWORD style);

}  // namespace pagestest
