/* An exe the Windows 95 import check must reject: it asks for Windows XP in its
   PE header (see CMakeLists.txt) and imports a function of Windows Vista, one of
   Windows 98, one of COMCTL32 4.70 and one of the IE 4 shell. Built, never run. */
#include <windows.h>
#include <commctrl.h>

__declspec(dllimport) ULONGLONG WINAPI GetTickCount64(void);
__declspec(dllimport) BOOL WINAPI IsDebuggerPresent(void);
__declspec(dllimport) BOOL WINAPI SHGetSpecialFolderPathA(HWND, LPSTR, int, BOOL);

int main(void) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    char path[MAX_PATH];
    InitCommonControlsEx(&controls);
    SHGetSpecialFolderPathA(NULL, path, 0, FALSE);
    return (int)(GetTickCount64() & 1) + IsDebuggerPresent();
}
