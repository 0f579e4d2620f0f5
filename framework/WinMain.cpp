// The program's entry point. Its object file is linked into every executable
// that links the framework (see CMakeLists.txt); console programs such as the
// tests start at main() and leave it unused.
#include "WinApp.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
