// EditImage against a prepared registry in the test prefix: each of the six
// failures, and a real start of a stand-in editor.
#include <gtest/gtest.h>

#include <shlwapi.h>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include "EditImage.h"
#include "PagesTestSupport.h"

using pagestest::MessageBoxRecorder;
using pagestest::WindowsPath;

namespace {

const char TEST_CLASS[] = "IwTestPicture";
const char TEST_COMMAND_KEY[] = "IwTestPicture\\shell\\open\\command";
const char NO_EDITOR_TEXT[] = "There is no 32-bit application defined for editing bitmap images!";

// The ".bmp" class key is shared by the whole prefix: the fixture puts back
// the default value it found.
class EditImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        char value[1024];
        LONG size = sizeof value;
        m_hadBmpClass = RegQueryValueA(HKEY_CLASSES_ROOT, ".bmp", value, &size) == ERROR_SUCCESS;
        if (m_hadBmpClass)
            m_bmpClass = value;
    }
    void TearDown() override {
        RemoveBmpKey();
        SHDeleteKeyA(HKEY_CLASSES_ROOT, TEST_CLASS);
        if (m_hadBmpClass)
            SetDefault(".bmp", m_bmpClass.c_str());
    }

    static void RemoveBmpKey() {
        SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Classes\\.bmp");
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.bmp");
    }
    static void SetDefault(const char* keyName, const char* value) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueA(HKEY_CLASSES_ROOT, keyName, REG_SZ, value, lstrlenA(value)));
    }
    static void CreateKey(const char* keyName) {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CLASSES_ROOT, keyName, &key));
        RegCloseKey(key);
    }
    // .bmp -> the test class -> its open command.
    static void RegisterCommand(const char* command) {
        SetDefault(".bmp", TEST_CLASS);
        SHDeleteKeyA(HKEY_CLASSES_ROOT, TEST_CLASS);
        SetDefault(TEST_COMMAND_KEY, command);
    }
    // Runs EditImage and returns the one box it showed, as "caption|type".
    static std::string RunExpectingBox(HWND owner, const char* path) {
        MessageBoxRecorder recorder;
        EditImage(owner, TCharString(path));
        if (recorder.Boxes().size() != 1)
            return "boxes: " + std::to_string(recorder.Boxes().size());
        const pagestest::RecordedBox& box = recorder.Boxes()[0];
        EXPECT_EQ(NO_EDITOR_TEXT, box.Text);
        EXPECT_EQ(owner, box.Owner);
        return box.Caption + "|" + std::to_string(box.Type);
    }

    bool m_hadBmpClass = false;
    std::string m_bmpClass;
};

const std::string OK_ONLY = "|" + std::to_string(MB_OK);

TEST_F(EditImageTest, EachBrokenLookupStepHasItsOwnErrorNumber) {
    HWND owner = GetDesktopWindow();

    RemoveBmpKey();
    EXPECT_EQ("Error #1" + OK_ONLY, RunExpectingBox(owner, "C:\\Images\\Logo.bmp"));

    CreateKey(".bmp");   // a class key without a file class name
    EXPECT_EQ("Error #2" + OK_ONLY, RunExpectingBox(owner, "C:\\Images\\Logo.bmp"));
    SetDefault(".bmp", "");
    EXPECT_EQ("Error #2" + OK_ONLY, RunExpectingBox(owner, "C:\\Images\\Logo.bmp"));

    SetDefault(".bmp", TEST_CLASS);
    SHDeleteKeyA(HKEY_CLASSES_ROOT, TEST_CLASS);
    CreateKey("IwTestPicture\\shell\\open");   // no "command" below it
    EXPECT_EQ("Error #3" + OK_ONLY, RunExpectingBox(owner, "C:\\Images\\Logo.bmp"));

    CreateKey(TEST_COMMAND_KEY);   // the command key exists but says nothing
    EXPECT_EQ("Error #4" + OK_ONLY, RunExpectingBox(owner, "C:\\Images\\Logo.bmp"));
    RegisterCommand("");
    EXPECT_EQ("Error #4" + OK_ONLY, RunExpectingBox(owner, "C:\\Images\\Logo.bmp"));

    RegisterCommand("C:\\Tools\\Paint.exe %1");
    EXPECT_EQ("Error #5" + OK_ONLY, RunExpectingBox(owner, "C:\\Images\\Logo.bmp"));
    RegisterCommand("\"C:\\Tools\\Paint.exe %1");   // a single quote is no pair
    EXPECT_EQ("Error #5" + OK_ONLY, RunExpectingBox(owner, "C:\\Images\\Logo.bmp"));

    // The first two quotes are taken wherever they stand: here they enclose
    // "%1", which is no program.
    RegisterCommand("C:\\Tools\\Paint.exe \"%1\"");
    EXPECT_EQ("Error #6" + OK_ONLY, RunExpectingBox(owner, "C:\\Images\\Logo.bmp"));
    RegisterCommand("\"C:\\no such folder\\Paint.exe\" \"%1\"");
    EXPECT_EQ("Error #6" + OK_ONLY, RunExpectingBox(NULL, ""));
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(EditImageTest, StartsTheRegisteredEditorWithTheQuotedPath) {
    const std::string probe = WindowsPath(IW_EDITOR_PROBE);
    const std::string log = WindowsPath(IW_EDITOR_PROBE_LOG);
    const std::string quotedProbe = "\"" + probe + "\"";

    // Everything after the program's closing quote (the "%1" here) is dropped.
    RegisterCommand((quotedProbe + " \"%1\" /extra").c_str());
    for (const char* path : {"C:\\Images\\Logo.bmp", ""}) {
        std::remove(log.c_str());
        MessageBoxRecorder recorder;
        EditImage(NULL, TCharString(path));
        EXPECT_TRUE(recorder.Boxes().empty());
        ASSERT_TRUE(pagestest::WaitFor([&] { return !ReadWholeFile(log).empty(); }, 20000))
            << "the editor did not record its command line";
        EXPECT_EQ(quotedProbe + " \"" + path + "\"", ReadWholeFile(log));
    }

    // A command of 1024 bytes with its terminator is read whole; one byte more
    // is more than the look-up reads.
    const std::string longest = quotedProbe + " " + std::string(1023 - quotedProbe.size() - 1, 'x');
    RegisterCommand(longest.c_str());
    std::remove(log.c_str());
    {
        MessageBoxRecorder recorder;
        EditImage(NULL, TCharString("C:\\Images\\Logo.bmp"));
        EXPECT_TRUE(recorder.Boxes().empty());
    }
    ASSERT_TRUE(pagestest::WaitFor([&] { return !ReadWholeFile(log).empty(); }, 20000));
    EXPECT_EQ(quotedProbe + " \"C:\\Images\\Logo.bmp\"", ReadWholeFile(log));
    RegisterCommand((longest + "x").c_str());
    EXPECT_EQ("Error #4" + OK_ONLY, RunExpectingBox(NULL, "C:\\Images\\Logo.bmp"));
}

}  // namespace
