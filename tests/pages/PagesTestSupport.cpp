#include "PagesTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "Framework.h"

namespace pagestest {

namespace {
std::vector<RecordedBox> g_boxes;
int g_answer = IDOK;

int RecordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    g_boxes.push_back(RecordedBox{owner, text ? text : "", caption ? caption : "", type});
    return g_answer;
}
}  // namespace

MessageBoxRecorder::MessageBoxRecorder(int answer) {
    g_boxes.clear();
    g_answer = answer;
    SetMessageBoxSink(RecordBox);
}

MessageBoxRecorder::~MessageBoxRecorder() {
    SetMessageBoxSink(NULL);
}

const std::vector<RecordedBox>& MessageBoxRecorder::Boxes() const {
    return g_boxes;
}

namespace {
// One modal run at a time: a thread timer waits for `g_shown` to give the
// window, then hands it to `g_act` once; after 15 s without it the test fails
// with `g_failure` and `g_giveUp` runs.
std::function<HWND()> g_shown;
std::function<void(HWND)> g_act;
std::function<void()> g_giveUp;
const char* g_failure;
bool g_waiting;
DWORD g_start;

void CALLBACK DriveModal(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_waiting)
        return;
    HWND shown = g_shown();
    if (shown == NULL) {
        if (GetTickCount() - g_start > 15000) {
            ADD_FAILURE() << g_failure;
            g_waiting = false;
            g_giveUp();
        }
        return;
    }
    g_waiting = false;   // act once
    g_act(shown);
}

INT_PTR RunModal(std::function<INT_PTR()> doModal, std::function<HWND()> shown, std::function<void(HWND)> act,
                 const char* failure, std::function<void()> giveUp) {
    g_shown = std::move(shown);
    g_act = std::move(act);
    g_failure = failure;
    g_giveUp = std::move(giveUp);
    g_waiting = true;
    g_start = GetTickCount();
    UINT_PTR timer = SetTimer(NULL, 0, 50, DriveModal);
    INT_PTR result = doModal();
    KillTimer(NULL, timer);
    g_waiting = false;
    return result;
}
}  // namespace

INT_PTR RunSheet(CPropertySheet& sheet, std::function<void(CPropertySheet&)> act, int button) {
    return RunModal([&] { return sheet.DoModal(); },
                    [&]() -> HWND {
                        CPropertyPage* page = sheet.GetActivePage();
                        HWND hWnd = page ? page->GetSafeHwnd() : NULL;
                        return hWnd && IsWindowVisible(hWnd) ? hWnd : NULL;
                    },
                    [&](HWND) {
                        act(sheet);
                        sheet.PressButton(button);
                    },
                    "the sheet did not show its page", [&] { sheet.PressButton(PSBTN_CANCEL); });
}

INT_PTR RunDialog(CDialog& dialog, std::function<void(HWND)> act, int close) {
    return RunModal([&] { return dialog.DoModal(); },
                    [&]() -> HWND {
                        HWND hWnd = dialog.GetSafeHwnd();
                        return hWnd && IsWindowVisible(hWnd) ? hWnd : NULL;
                    },
                    [&](HWND hWnd) {
                        act(hWnd);
                        SendMessageA(GetDlgItem(hWnd, close), BM_CLICK, 0, 0);
                    },
                    "the dialog did not show", [] {});
}

namespace {
struct DialogScript {
    CDialog* Dialog;
    std::vector<std::function<bool(HWND)>> Steps;
    size_t Next;
    DWORD StepStart;
    bool Busy;
};
DialogScript* g_dialogScript;

void CALLBACK PlayDialogStep(HWND, UINT, UINT_PTR, DWORD) {
    DialogScript* script = g_dialogScript;
    if (!script || script->Busy || script->Next >= script->Steps.size())
        return;
    HWND hWnd = script->Dialog->GetSafeHwnd();
    const bool shown = hWnd && IsWindowVisible(hWnd);
    script->Busy = true;
    if (shown && script->Steps[script->Next](hWnd)) {
        ++script->Next;
        script->StepStart = GetTickCount();
    } else if (GetTickCount() - script->StepStart > 15000) {
        ADD_FAILURE() << "dialog step " << script->Next << (shown ? " did not finish" : ": the dialog did not show");
        script->Next = script->Steps.size();
        if (hWnd)
            EndDialog(hWnd, IDABORT);
    }
    script->Busy = false;
}
}  // namespace

INT_PTR RunDialogSteps(CDialog& dialog, std::vector<std::function<bool(HWND)>> steps) {
    DialogScript script{&dialog, std::move(steps), 0, GetTickCount(), false};
    g_dialogScript = &script;
    UINT_PTR timer = SetTimer(NULL, 0, 40, PlayDialogStep);
    INT_PTR result = dialog.DoModal();
    KillTimer(NULL, timer);
    g_dialogScript = NULL;
    EXPECT_EQ(script.Steps.size(), script.Next) << "steps left when the dialog closed";
    return result;
}

void ClickMiddle(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    POINT client = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, screen = client;
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
    const LPARAM at = MAKELPARAM(client.x, client.y);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(window, WM_LBUTTONUP, 0, at);
}

void PressKey(HWND window, UINT key) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, 0)) << 16;
    PostMessageA(window, WM_KEYDOWN, key, scan | 1);
    PostMessageA(window, WM_KEYUP, key, scan | 0xC0000001);
}

namespace {
// A string-or-ordinal field of a template ("#n" for a number); moves past it.
std::string ReadField(const WORD*& p) {
    std::string text;
    if (*p == 0xFFFF) {
        text = "#" + std::to_string(p[1]);
        p += 2;
        return text;
    }
    while (*p)
        text += static_cast<char>(*p++);
    ++p;
    return text;
}
}  // namespace

DialogTemplate ReadTemplate(int id) {
    DialogTemplate read;
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));   // RT_DIALOG
    const DLGTEMPLATE* dialog =
        found ? static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(NULL, found))) : NULL;
    if (dialog == NULL)
        return read;
    const WORD* p = reinterpret_cast<const WORD*>(dialog + 1);
    char line[400];
    std::string menu = ReadField(p), cls = ReadField(p), caption = ReadField(p);
    WORD points = *p++;
    std::string font = ReadField(p);
    std::snprintf(line, sizeof line, "%08lx %lx %d,%d,%d,%d menu'%s' class'%s' '%s' %d'%s'", dialog->style,
                  dialog->dwExtendedStyle, dialog->x, dialog->y, dialog->cx, dialog->cy, menu.c_str(), cls.c_str(),
                  caption.c_str(), points, font.c_str());
    read.Lines.push_back(line);
    for (int i = 0; i < dialog->cdit; ++i) {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~static_cast<UINT_PTR>(3));
        const DLGITEMTEMPLATE* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        p = reinterpret_cast<const WORD*>(item + 1);
        std::string itemClass = ReadField(p), text = ReadField(p);
        WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        std::snprintf(line, sizeof line, "%d %s '%s' %d,%d,%d,%d %08lx %lx %u", static_cast<short>(item->id),
                      itemClass.c_str(), text.c_str(), item->x, item->y, item->cx, item->cy, item->style,
                      item->dwExtendedStyle, extra);
        read.Lines.push_back(line);
        read.Texts.push_back(text);
    }
    return read;
}

std::string DialogLine(DWORD style, int cx, int cy, const std::string& caption) {
    char line[400];
    std::snprintf(line, sizeof line, "%08lx 0 0,0,%d,%d menu'' class'' '%s' 8'MS Sans Serif'", style | DS_SETFONT, cx,
                  cy, caption.c_str());
    return line;
}

std::string ControlLine(int id, int atom, const std::string& text, int x, int y, int cx, int cy, DWORD style) {
    char line[400];
    std::snprintf(line, sizeof line, "%d #%d '%s' %d,%d,%d,%d %08lx 0 0", id, atom, text.c_str(), x, y, cx, cy,
                  style | WS_CHILD);
    return line;
}

}  // namespace pagestest
