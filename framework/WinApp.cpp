#include "WinApp.h"
#include "Wnd.h"
#include <commctrl.h>
#include <cstring>
#include <memory>

namespace {

CWinApp* g_pApp = NULL;

// Splits the argument part of a command line the way the C runtime builds
// argv: blanks separate arguments outside double quotes; 2n backslashes before
// a quote give n backslashes and the quote toggles quoting, 2n+1 give n and a
// literal quote; "" inside quotes is a literal quote. The arguments go to
// `out` one after the other, each ended by '\0' (an argument is never longer
// than its text, so strlen(p) + 1 characters are room for all); returns their
// number.
size_t SplitCommandLine(const char* p, char* out)
{
    size_t count = 0;
    for (;;) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p == '\0')
            return count;
        bool inQuote = false;
        while (*p != '\0' && (inQuote || (*p != ' ' && *p != '\t'))) {
            size_t slashes = 0;
            while (*p == '\\') {
                ++slashes;
                ++p;
            }
            if (*p == '"') {
                for (size_t i = 0; i < slashes / 2; ++i)
                    *out++ = '\\';
                if (slashes % 2 == 1) {
                    *out++ = '"';
                } else if (inQuote && p[1] == '"') {
                    *out++ = '"';
                    ++p;
                } else {
                    inQuote = !inQuote;
                }
                ++p;
            } else {
                for (size_t i = 0; i < slashes; ++i)
                    *out++ = '\\';
                if (*p != '\0' && (inQuote || (*p != ' ' && *p != '\t')))
                    *out++ = *p++;
            }
        }
        *out++ = '\0';
        ++count;
    }
}

}  // namespace

CCommandLineInfo::CCommandLineInfo() : m_nShellCommand(FileNew) {}

CCommandLineInfo::~CCommandLineInfo() {}

void CCommandLineInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL)
{
    if (!bFlag && m_nShellCommand == FileNew) {
        m_strFileName = pszParam;
        m_nShellCommand = FileOpen;
    }
}

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_pszAppName(NULL), m_pszExeName(m_szExeName), m_pszProfileName(m_szProfileName),
      m_pszHelpFilePath(m_szHelpFilePath), m_hInstance(::GetModuleHandleA(NULL)), m_lpCmdLine(NULL),
      m_nCmdShow(SW_SHOWNORMAL), m_pMainWnd(NULL), m_nExitCode(0)
{
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(NULL, path, sizeof path);
    path[n < sizeof path ? n : sizeof path - 1] = '\0';
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    lstrcpynA(m_szExeName, name, sizeof m_szExeName);
    // The help file: the exe's path with ".HLP" in place of its extension.
    lstrcpynA(m_szHelpFilePath, path, sizeof m_szHelpFilePath);
    char* helpName = m_szHelpFilePath + (name - path);
    char* helpDot = strrchr(helpName, '.');
    lstrcpyA(helpDot != NULL ? helpDot : helpName + lstrlenA(helpName), ".HLP");
    char* dot = strrchr(m_szExeName, '.');
    if (dot != NULL)
        *dot = '\0';
    wsprintfA(m_szProfileName, "%s.INI", m_szExeName);
    lstrcpynA(m_szAppName, lpszAppName != NULL ? lpszAppName : m_szExeName, sizeof m_szAppName);
    m_pszAppName = m_szAppName;
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = NULL;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return m_nExitCode; }

int CWinApp::Run()
{
    MSG msg;
    for (;;) {
        if (!::PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE))
            AfxDeleteTempMap();
        BOOL got = ::GetMessageA(&msg, NULL, 0, 0);
        if (got == 0)
            m_nExitCode = (int)msg.wParam;
        if (got == 0 || got == -1)
            break;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    AfxDeleteTempMap();
    return ExitInstance();
}

BOOL CWinApp::PreTranslateMessage(MSG* pMsg)
{
    return CWnd::WalkPreTranslateTree(pMsg);
}

BOOL CWinApp::OnCommand(WPARAM, LPARAM) { return FALSE; }

void CWinApp::OnHelp()
{
    if (::GetFileAttributesA(m_pszHelpFilePath) == INVALID_FILE_ATTRIBUTES)
        return;
    ::WinHelpA(m_pMainWnd != NULL ? m_pMainWnd->m_hWnd : NULL, m_pszHelpFilePath, HELP_CONTENTS, 0);
}

TCharString CWinApp::GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault)
{
    char buffer[4096];
    ::GetPrivateProfileStringA(lpszSection, lpszEntry, lpszDefault != NULL ? lpszDefault : "",
                               buffer, sizeof buffer, m_pszProfileName);
    return TCharString(buffer);
}

UINT CWinApp::GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault)
{
    return ::GetPrivateProfileIntA(lpszSection, lpszEntry, nDefault, m_pszProfileName);
}

BOOL CWinApp::WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue)
{
    return ::WritePrivateProfileStringA(lpszSection, lpszEntry, lpszValue, m_pszProfileName);
}

BOOL CWinApp::WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue)
{
    char text[16];
    wsprintfA(text, "%d", nValue);
    return ::WritePrivateProfileStringA(lpszSection, lpszEntry, text, m_pszProfileName);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo)
{
    const char* line = m_lpCmdLine != NULL ? m_lpCmdLine : "";
    std::unique_ptr<char[]> args(new char[std::strlen(line) + 1]);
    const size_t count = SplitCommandLine(line, args.get());
    const char* arg = args.get();
    for (size_t i = 0; i < count; ++i) {
        const char* next = arg + std::strlen(arg) + 1;
        const char* pszParam = arg;
        BOOL bFlag = FALSE;
        if (pszParam[0] == '/' || pszParam[0] == '-') {
            bFlag = TRUE;
            ++pszParam;
        }
        rCmdInfo.ParseParam(pszParam, bFlag, i + 1 == count);
        arg = next;
    }
}

CWinApp* AfxGetApp() { return g_pApp; }

CWnd* AfxGetMainWnd() { return g_pApp != NULL ? g_pApp->m_pMainWnd : NULL; }

HINSTANCE AfxGetInstanceHandle() { return g_pApp != NULL ? g_pApp->m_hInstance : ::GetModuleHandleA(NULL); }

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == NULL)
        return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->m_nCmdShow = nCmdShow;
    // The common controls are loaded and initialised when the first property
    // sheet is made (SystemLibraries.h).
    if (!pApp->InitInstance()) {
        if (pApp->m_pMainWnd != NULL)
            pApp->m_pMainWnd->DestroyWindow();
        AfxDeleteTempMap();
        return pApp->ExitInstance();
    }
    return pApp->Run();
}
