// The system list box alone, filled and read back the way a category page
// does it, with nothing of the program around it:
//
//   bench_listbox_fill [SIZE...]     (default: 10000 30000)
//
// A list box with the page's styles is filled with SIZE entries (LB_ADDSTRING
// each, drawing off, LB_INITSTORAGE first or not), read back entry by entry
// (LB_GETTEXTLEN and LB_GETTEXT), and emptied. Times in ms, and per entry in
// microseconds, so a cost that grows faster than the list shows. The last
// variant subclasses the box with a procedure that finds its object through a
// window property (GetPropA with a name), as the program's window classes do,
// before it passes the message on.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "../common/BenchWin32.h"

using namespace bench;

namespace {

const char OBJECT_PROPERTY[] = "Imagewheel.CWnd";
WNDPROC g_boxProcedure;

LRESULT CALLBACK PropertyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (GetPropA(window, OBJECT_PROPERTY) == NULL) return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(g_boxProcedure, window, message, wParam, lParam);
}

std::string EntryName(unsigned int i) {
    char name[MAX_PATH];
    snprintf(name, sizeof name, "C:\\iwbench-lists\\Pictures of the family\\Holiday %04u\\picture %06u.bmp",
             1990 + i % 37, i);
    return name;
}

struct Times {
    double Fill, Read, Reset;
};

Times Run(HWND box, const std::vector<std::string>& entries, bool initStorage) {
    Times times;
    size_t bytes = 0;
    for (const std::string& e : entries) bytes += e.size() + 1;
    double t0 = Seconds();
    SendMessageA(box, WM_SETREDRAW, FALSE, 0);
    SendMessageA(box, LB_RESETCONTENT, 0, 0);
    if (initStorage) SendMessageA(box, LB_INITSTORAGE, entries.size(), bytes);
    for (const std::string& e : entries) SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
    SendMessageA(box, WM_SETREDRAW, TRUE, 0);
    times.Fill = (Seconds() - t0) * 1000;

    t0 = Seconds();
    std::string text;
    const int count = static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const int length = static_cast<int>(SendMessageA(box, LB_GETTEXTLEN, i, 0));
        text.assign(length + 1, '\0');
        SendMessageA(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
    }
    times.Read = (Seconds() - t0) * 1000;

    t0 = Seconds();
    SendMessageA(box, LB_RESETCONTENT, 0, 0);
    times.Reset = (Seconds() - t0) * 1000;
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<unsigned int> sizes;
    for (int i = 1; i < argc; ++i)
        if (atoi(argv[i]) > 0) sizes.push_back(static_cast<unsigned int>(atoi(argv[i])));
    if (sizes.empty()) sizes = {10000, 30000};

    HWND box = CreateWindowA("LISTBOX", "", LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | WS_BORDER |
                             WS_VSCROLL | WS_OVERLAPPED, 0, 0, 300, 200, NULL, NULL, GetModuleHandleA(NULL), NULL);
    if (!box) {
        fprintf(stderr, "cannot create a list box\n");
        return 1;
    }
    for (unsigned int size : sizes) {
        std::vector<std::string> entries;
        for (unsigned int i = 0; i < size; ++i) entries.push_back(EntryName(i));
        for (int variant = 0; variant < 3; ++variant) {
            const bool storage = variant > 0;
            if (variant == 2) {
                SetPropA(box, OBJECT_PROPERTY, box);
                g_boxProcedure = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PropertyProc)));
            }
            std::vector<double> fill, read, reset;
            for (int round = 0; round < 3; ++round) {
                const Times t = Run(box, entries, storage);
                fill.push_back(t.Fill);
                read.push_back(t.Read);
                reset.push_back(t.Reset);
            }
            static const char* const VARIANTS[] = {"plain", "LB_INITSTORAGE", "LB_INITSTORAGE, subclassed"};
            printf("%6u entries, %-27s fill %8.1f ms (%5.1f us each), read back %8.1f ms (%5.1f us each),"
                   " reset %6.1f ms\n",
                   size, VARIANTS[variant], Median(fill),
                   Median(fill) * 1000 / size, Median(read), Median(read) * 1000 / size, Median(reset));
            fflush(stdout);
            if (variant == 2) {
                SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_boxProcedure));
                RemovePropA(box, OBJECT_PROPERTY);
            }
        }
    }
    DestroyWindow(box);
    return 0;
}
