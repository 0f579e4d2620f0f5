/* An exe the Windows 95 import check must reject: it asks for Windows XP in its
   PE header (see CMakeLists.txt) and imports a function of Windows Vista, one of
   Windows 98, one of COMCTL32 4.70, one of the IE 4 shell, one of msvcrt.dll and
   one that the crtdll.dll of Windows 95 lacks. Built, never run. */
#include <windows.h>
#include <commctrl.h>

__declspec(dllimport) ULONGLONG WINAPI GetTickCount64(void);
__declspec(dllimport) BOOL WINAPI IsDebuggerPresent(void);
__declspec(dllimport) BOOL WINAPI SHGetSpecialFolderPathA(HWND, LPSTR, int, BOOL);
__declspec(dllimport) char *__cdecl _i64toa(long long, char *, int);
__declspec(dllimport) long long __cdecl _strtoi64(const char *, char **, int);

int main(void) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    char path[MAX_PATH];
    InitCommonControlsEx(&controls);
    SHGetSpecialFolderPathA(NULL, path, 0, FALSE);
    _i64toa(_strtoi64("1", NULL, 10), path, 10);
    return (int)(GetTickCount64() & 1) + IsDebuggerPresent();
}
