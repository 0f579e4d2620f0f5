#include "PagesTestSupport.h"

#include "MessageBox.h"

namespace pagestest {

std::string WindowsPath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

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

}  // namespace pagestest
