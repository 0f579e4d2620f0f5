// Shared fixture of the engine tests. They run under Wine against the real
// profile file (in the Windows directory), the real registry and real files:
// a work folder on C:, the Windows directory and a boot drive M: that the CTest
// fixture maps to a folder of the build tree.
#pragma once
#include <gtest/gtest.h>
#include <ctime>
#include <string>
#include <vector>
#include "Engine.h"
#include "Framework.h"

namespace enginetest {

extern const char PROFILE_NAME[];   // profile of the tests' application object
extern const char WORK_DIR[];       // C:\iwengine\work, the current directory of every test
extern const char PROGRAM_PATH[];   // a program path inside WORK_DIR
extern const char BOOT_DRIVE[];     // "M"

// A message box shown through ShowMessageBox while a test ran.
struct RecordedBox {
    HWND Owner;
    std::string Text;
    std::string Caption;
    UINT Type;
};

class FixedClock : public Clock {
public:
    explicit FixedClock(time_t now) : Time(now) {}
    time_t Now() const override { return Time; }
    time_t Time;
};

// Local time of a calendar date and time of day.
time_t LocalTime(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);

std::string ReadBytes(const std::string& path);          // "<missing>" when it cannot be opened
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
void RemoveFile(const std::string& path);                // also when read-only
void RemoveTree(const std::string& path);
std::string WindowsDir();                                // with trailing backslash
std::string ProfilePath();                               // full path of PROFILE_NAME
std::string BootRoot();                                  // "M:\"
// A path of the build machine as Wine sees it through drive Z:.
std::string HostPath(const char* unixPath);
// A bitmap file Windows shows itself: width x height, 24 bits, bottom-up.
std::string PlainBitmap(unsigned width, unsigned height, unsigned seed);
// A text of `size` bytes that contains every byte value, CR LF pairs and ^Z.
std::string BinaryContent(size_t size, unsigned seed);

std::string RegString(HKEY root, const char* key, const char* name);   // "<missing>" if absent
void SetRegString(HKEY root, const char* key, const char* name, const char* value);
void DeleteRegValue(HKEY root, const char* key, const char* name);
// Sets a desktop value of HKEY_CURRENT_USER, or deletes it when `value` is null.
void SetDesktop(const char* name, const char* value);

// A file list with the given entries and current file.
FileList MakeList(const std::vector<std::string>& entries, const std::string& current);
std::vector<std::string> Entries(const FileList& list);

// Pumps messages and polls until `done` or `seconds` have passed.
template <class Predicate>
bool WaitFor(Predicate done, double seconds = 30) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    while (!done()) {
        if (static_cast<LONG>(GetTickCount() - end) > 0) return false;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(20);
    }
    return true;
}

// Fresh work folder as the current directory, no profile file, no logo
// files, message boxes recorded instead of shown. The desktop wallpaper
// values, which belong to the whole prefix, are put back afterwards.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    static std::vector<RecordedBox>& Boxes();
    // Settings as LoadSettings gives them without a profile, boot drive M.
    AppSettings DefaultSettings();

private:
    std::string savedWallpaper, savedTile, savedStyle;
};

}  // namespace enginetest
