#include "PagesTestSupport.h"

#include <gtest/gtest.h>

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
CPropertySheet* g_sheet;
std::function<void(CPropertySheet&)> g_act;
int g_button;
DWORD g_start;

void CALLBACK DriveSheet(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_sheet || !g_sheet->GetSafeHwnd())
        return;
    CPropertySheet* sheet = g_sheet;
    if (GetTickCount() - g_start > 15000) {
        ADD_FAILURE() << "the sheet did not show its page";
        g_sheet = NULL;
        sheet->PressButton(PSBTN_CANCEL);
        return;
    }
    CPropertyPage* page = sheet->GetActivePage();
    if (!page || !page->GetSafeHwnd() || !IsWindowVisible(page->GetSafeHwnd()))
        return;
    g_sheet = NULL;   // act once
    g_act(*sheet);
    sheet->PressButton(g_button);
}
}  // namespace

INT_PTR RunSheet(CPropertySheet& sheet, std::function<void(CPropertySheet&)> act, int button) {
    g_sheet = &sheet;
    g_act = std::move(act);
    g_button = button;
    g_start = GetTickCount();
    UINT_PTR timer = SetTimer(NULL, 0, 50, DriveSheet);
    INT_PTR result = sheet.DoModal();
    KillTimer(NULL, timer);
    g_sheet = NULL;
    return result;
}

}  // namespace pagestest
