#include "TestSupport.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <sstream>

using fwtest::MessageBoxRecorder;

namespace {

std::string WindowsFile(const char* name)
{
    char dir[MAX_PATH];
    ::GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\" + name;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct RecordingCommandLineInfo : CCommandLineInfo {
    std::vector<std::string> seen;
    void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) override
    {
        seen.push_back(std::string(bFlag ? "flag:" : "arg:") + pszParam + (bLast ? " (last)" : ""));
    }
};

std::vector<std::string> Parse(const char* commandLine)
{
    CWinApp app;
    char buffer[256];
    lstrcpynA(buffer, commandLine, sizeof buffer);
    app.m_lpCmdLine = buffer;
    RecordingCommandLineInfo info;
    app.ParseCommandLine(info);
    return info.seen;
}

}  // namespace

TEST(WinApp, ProfileNameFollowsTheExeAndFilesLandInTheWindowsDirectory)
{
    CWinApp app;
    EXPECT_STREQ("framework_tests.INI", app.m_pszProfileName);
    EXPECT_STREQ("framework_tests", app.m_pszExeName);
    EXPECT_STREQ("framework_tests", app.m_pszAppName);
    EXPECT_EQ(&app, AfxGetApp());

    app.m_pszProfileName = "IWFWTEST.INI";
    std::string path = WindowsFile("IWFWTEST.INI");
    std::remove(path.c_str());

    // Missing file, section or key: the defaults.
    EXPECT_STREQ("fallback", app.GetProfileString("CONFIG", "NAME", "fallback").GetText());
    EXPECT_STREQ("", app.GetProfileString("CONFIG", "NAME").GetText());
    EXPECT_EQ(-5, (int)app.GetProfileInt("CONFIG", "COUNT", -5));

    EXPECT_TRUE(app.WriteProfileString("CONFIG", "NAME", "SignonFileList.txt"));
    EXPECT_TRUE(app.WriteProfileInt("CONFIG", "COUNT", 15));
    EXPECT_TRUE(app.WriteProfileInt("CONFIG", "NEGATIVE", -42));
    EXPECT_TRUE(app.WriteProfileString("LAST_SIGNON_CYCLE_TIME", "Year", "12abc"));
    EXPECT_TRUE(app.WriteProfileString("LAST_SIGNON_CYCLE_TIME", "Month", "abc"));

    EXPECT_STREQ("SignonFileList.txt", app.GetProfileString("CONFIG", "NAME", "x").GetText());
    EXPECT_EQ(15u, app.GetProfileInt("CONFIG", "COUNT", 0));
    EXPECT_EQ(-42, (int)app.GetProfileInt("CONFIG", "NEGATIVE", 0));
    EXPECT_EQ(12u, app.GetProfileInt("LAST_SIGNON_CYCLE_TIME", "Year", 7));
    EXPECT_EQ(0u, app.GetProfileInt("LAST_SIGNON_CYCLE_TIME", "Month", 7));

    // The text in the file, with integers as decimal text.
    std::string text = ReadFile(path);
    EXPECT_NE(std::string::npos, text.find("[CONFIG]")) << text;
    EXPECT_NE(std::string::npos, text.find("NAME=SignonFileList.txt")) << text;
    EXPECT_NE(std::string::npos, text.find("COUNT=15")) << text;
    EXPECT_NE(std::string::npos, text.find("NEGATIVE=-42")) << text;

    // Values longer than the 4096-character read buffer come back cut.
    std::string longValue(5000, 'x');
    EXPECT_TRUE(app.WriteProfileString("CONFIG", "LONG", longValue.c_str()));
    EXPECT_EQ(4095u, app.GetProfileString("CONFIG", "LONG").GetLength());

    // A NULL value removes the key.
    EXPECT_TRUE(app.WriteProfileString("CONFIG", "NAME", NULL));
    EXPECT_STREQ("gone", app.GetProfileString("CONFIG", "NAME", "gone").GetText());
    std::remove(path.c_str());
}

TEST(WinApp, CommandLineMarksAndStripsSwitches)
{
    EXPECT_EQ((std::vector<std::string>{"flag:cycle", "flag:UNINSTALL", "arg:cycle", "flag:x (last)"}),
              Parse("/cycle -UNINSTALL cycle /x"));
    EXPECT_EQ((std::vector<std::string>{"arg:C:\\My Files\\a.bmp", "flag: (last)"}),
              Parse("  \"C:\\My Files\\a.bmp\"\t/  "));
    // The C runtime's rules for backslashes and quotes.
    EXPECT_EQ((std::vector<std::string>{"arg:a\\\"b", "arg:c\\\\d", "arg:e\\f g", "arg:h\"i (last)"}),
              Parse("a\\\\\\\"b c\\\\d \"e\\f g\" \"h\"\"i\""));
    EXPECT_TRUE(Parse("").empty());
    EXPECT_TRUE(Parse("   ").empty());

    // The standard record keeps the first plain argument as the file to open.
    CWinApp app;
    char buffer[] = "/cycle first.bmp second.bmp";
    app.m_lpCmdLine = buffer;
    CCommandLineInfo info;
    EXPECT_EQ(CCommandLineInfo::FileNew, info.m_nShellCommand);
    app.ParseCommandLine(info);
    EXPECT_EQ(CCommandLineInfo::FileOpen, info.m_nShellCommand);
    EXPECT_STREQ("first.bmp", info.m_strFileName.GetText());
}

namespace {

// An application whose main window closes itself once the loop runs.
struct LoopApp : CWinApp {
    BOOL initResult = TRUE;
    int exitCalls = 0;
    BOOL InitInstance() override
    {
        CFrameWnd* pFrame = new CFrameWnd;
        if (!pFrame->Create(NULL, "main", 0))
            return FALSE;
        m_pMainWnd = pFrame;
        pFrame->PostMessage(WM_CLOSE);
        return initResult;
    }
    int ExitInstance() override
    {
        ++exitCalls;
        return CWinApp::ExitInstance() + 40;
    }
};

}  // namespace

TEST(WinApp, MessageLoopEndsWithTheMainWindow)
{
    {
        LoopApp app;
        char cmd[] = "/cycle";
        EXPECT_EQ(40, AfxWinMain(::GetModuleHandleA(NULL), NULL, cmd, SW_SHOW));
        EXPECT_EQ(1, app.exitCalls);
        EXPECT_EQ(nullptr, app.m_pMainWnd);
        EXPECT_EQ(cmd, app.m_lpCmdLine);
    }
    {
        // InitInstance failing: the main window is destroyed, no loop runs.
        LoopApp app;
        app.initResult = FALSE;
        char cmd[] = "";
        EXPECT_EQ(40, AfxWinMain(::GetModuleHandleA(NULL), NULL, cmd, SW_SHOW));
        EXPECT_EQ(1, app.exitCalls);
        EXPECT_EQ(nullptr, app.m_pMainWnd);
        MSG msg;
        // The WM_QUIT of the destroyed main window is still queued: drain it.
        while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        }
    }
    EXPECT_EQ(nullptr, AfxGetApp());
}

TEST(WinApp, MessageBoxesGoThroughTheSink)
{
    CWinApp app("Imagewheel");
    {
        MessageBoxRecorder recorder(IDNO);
        EXPECT_EQ(IDNO, ShowMessageBox(NULL, "Unable to create file C:\\x", "Error", MB_OK | MB_ICONWARNING));
        CFrameWnd* pFrame = new CFrameWnd;
        ASSERT_TRUE(pFrame->Create(NULL, "owner", 0));
        app.m_pMainWnd = pFrame;
        EXPECT_EQ(IDNO, pFrame->MessageBox("Terminate anyway?", NULL, MB_YESNO));
        EXPECT_EQ(IDNO, AfxMessageBox("Plain"));
        ASSERT_EQ(3u, MessageBoxRecorder::Boxes().size());
        const auto& boxes = MessageBoxRecorder::Boxes();
        EXPECT_EQ(NULL, boxes[0].owner);
        EXPECT_EQ("Unable to create file C:\\x", boxes[0].text);
        EXPECT_EQ("Error", boxes[0].caption);
        EXPECT_EQ((UINT)(MB_OK | MB_ICONWARNING), boxes[0].type);
        EXPECT_EQ(pFrame->m_hWnd, boxes[1].owner);
        EXPECT_EQ("Imagewheel", boxes[1].caption);
        EXPECT_EQ((UINT)MB_YESNO, boxes[1].type);
        EXPECT_EQ(pFrame->m_hWnd, boxes[2].owner);
        pFrame->DestroyWindow();
        EXPECT_EQ(nullptr, app.m_pMainWnd);
        MSG msg;
        while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        }
    }
    // Setting returns the previous sink; NULL restores MessageBoxA.
    EXPECT_EQ(nullptr, SetMessageBoxSink(MessageBoxRecorder::Sink));
    EXPECT_EQ(&MessageBoxRecorder::Sink, SetMessageBoxSink(NULL));
}

namespace {

// Records the commands that reach the application object.
struct CommandApp : CWinApp {
    std::vector<UINT> commands;
    BOOL OnCommand(WPARAM wParam, LPARAM) override
    {
        commands.push_back(LOWORD(wParam));
        return LOWORD(wParam) == ID_HELP;
    }
};

// A frame that handles one command itself.
struct CommandFrame : CFrameWnd {
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        return LOWORD(wParam) == 2025 || CFrameWnd::OnCommand(wParam, lParam);
    }
};

}  // namespace

TEST(WinApp, CommandsNoFrameHandlesGoOnToTheApplication)
{
    CommandApp app;
    // The help file is named after the exe, with its full path.
    std::string help = app.m_pszHelpFilePath;
    const std::string name = "\\framework_tests.HLP";
    ASSERT_GT(help.size(), name.size());
    EXPECT_EQ(name, help.substr(help.size() - name.size()));
    EXPECT_EQ(':', help[1]);

    CommandFrame* pFrame = new CommandFrame;
    ASSERT_TRUE(pFrame->Create(NULL, "commands", 0));
    pFrame->SendMessage(WM_COMMAND, 2025);
    pFrame->SendMessage(WM_COMMAND, ID_HELP);
    pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(0x6000, 0));
    EXPECT_EQ((std::vector<UINT>{ID_HELP, 0x6000}), app.commands);
    // Without a help file the help handler shows nothing.
    app.OnHelp();
    pFrame->DestroyWindow();
}
