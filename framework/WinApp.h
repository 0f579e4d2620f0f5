// CWinApp and CCommandLineInfo: the application object, its start-up, the
// message loop and the private profile file.
#pragma once
#include <windows.h>
#include "CharString.h"

class CWnd;

// The framework's standard help command.
const UINT ID_HELP = 0xE146;

// The parsed command line. CWinApp::ParseCommandLine splits the command line
// like the C runtime does and hands every argument to ParseParam.
class CCommandLineInfo {
public:
    enum { FileNew, FileOpen };

    CCommandLineInfo();
    virtual ~CCommandLineInfo();

    // pszParam: the argument, without its leading "/" or "-" when bFlag is set.
    // bLast: this is the last argument. The default keeps the first argument
    // that is not a switch as the file to open and ignores switches.
    virtual void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast);

    int m_nShellCommand;        // FileNew, or FileOpen once a file name was seen
    TCharString m_strFileName;
};

// One per process; its constructor registers it for AfxGetApp().
class CWinApp {
public:
    explicit CWinApp(LPCSTR lpszAppName = NULL);
    virtual ~CWinApp();

    virtual BOOL InitInstance();
    virtual int ExitInstance();      // the process exit code: WM_QUIT's, else 0
    // The message loop: runs until WM_QUIT (posted when m_pMainWnd's window is
    // destroyed), then returns ExitInstance().
    virtual int Run();
    // Offers a message to the permanent window objects from the target up to
    // its top-level window (modeless dialogs use it for keyboard navigation).
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // A command that no frame window handled (CFrameWnd offers it here);
    // TRUE when handled. The default handles none: an application routes the
    // commands it wants, such as ID_HELP to OnHelp.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // The help handler: opens the contents of the help file m_pszHelpFilePath
    // with WinHelp, owned by the main window. Without a help file there is no
    // help to show and nothing happens.
    void OnHelp();

    // Profile functions on the private profile file m_pszProfileName.
    // Strings are read with a 4096-character buffer; a NULL default reads as "".
    TCharString GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault = NULL);
    UINT GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault);
    BOOL WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue);
    BOOL WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue);   // "%d"

    // Splits m_lpCmdLine into arguments and feeds them to rCmdInfo.ParseParam;
    // a leading "/" or "-" marks a switch and is stripped.
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);

    LPCSTR m_pszAppName;       // the constructor's name, else the exe file name without extension
    LPCSTR m_pszExeName;       // the exe file name without extension
    // "<EXE FILE NAME WITHOUT EXTENSION>.INI" with no directory, so Windows
    // keeps it in the Windows directory. Tests may point it elsewhere.
    LPCSTR m_pszProfileName;
    LPCSTR m_pszHelpFilePath;  // the exe's full path with ".HLP" for its extension
    HINSTANCE m_hInstance;
    LPSTR m_lpCmdLine;         // the arguments after the program name
    int m_nCmdShow;
    CWnd* m_pMainWnd;          // its window's destruction ends the message loop

private:
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    int m_nExitCode;
    char m_szExeName[MAX_PATH];
    char m_szAppName[MAX_PATH];
    char m_szProfileName[MAX_PATH + 4];
    char m_szHelpFilePath[MAX_PATH + 4];
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();   // the exe's module handle, also before WinMain

// The body of WinMain: initialises the common controls, runs InitInstance and
// then Run() (or ExitInstance() when InitInstance fails). The library's WinMain
// calls it for the application's global CWinApp object.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
