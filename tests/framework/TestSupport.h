// Helpers shared by the framework tests.
#pragma once
#include "Framework.h"
#include <functional>
#include <string>
#include <vector>

namespace fwtest {

// Dispatches messages until `done` holds; false if nothing happened for
// five seconds (a safety net against a hang, not a time limit).
inline bool PumpUntil(const std::function<bool()>& done)
{
    MSG msg;
    while (!done()) {
        if (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return done();
            if (!CWnd::WalkPreTranslateTree(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        } else if (::MsgWaitForMultipleObjects(0, NULL, FALSE, 5000, QS_ALLINPUT) == WAIT_TIMEOUT) {
            return done();
        }
    }
    return true;
}

// Records every message box instead of showing it, answering `answer`.
struct MessageBoxRecorder {
    struct Box {
        HWND owner;
        std::string text;
        std::string caption;
        UINT type;
    };
    static std::vector<Box>& Boxes()
    {
        static std::vector<Box> boxes;
        return boxes;
    }
    static int& Answer()
    {
        static int answer = IDOK;
        return answer;
    }
    static int Sink(HWND hOwner, LPCSTR text, LPCSTR caption, UINT type)
    {
        Boxes().push_back(Box{hOwner, text != NULL ? text : "", caption != NULL ? caption : "", type});
        return Answer();
    }

    explicit MessageBoxRecorder(int answer = IDOK)
    {
        Boxes().clear();
        Answer() = answer;
        previous = SetMessageBoxSink(Sink);
    }
    ~MessageBoxRecorder() { SetMessageBoxSink(previous); }
    MessageBoxSink previous;
};

}  // namespace fwtest
