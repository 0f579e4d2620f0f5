#include "EngineTestSupport.h"
#include <cstdio>

namespace enginetest {

const char PROFILE_NAME[] = "IWENGTST.INI";
const char WORK_DIR[] = "C:\\iwengine\\work";
const char PROGRAM_PATH[] = "C:\\iwengine\\work\\prog\\imagewheel.exe";
const char BOOT_DRIVE[] = "M";

namespace {

CWinApp testApp("EngineTests");
std::vector<RecordedBox> boxes;

int RecordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    boxes.push_back({owner, text ? text : "", caption ? caption : "", type});
    return IDOK;
}

const char* LOGO_FILES[] = {"Logow.sys", "Logos.sys"};

// The logo files and what an interrupted replacement leaves beside them.
void RemoveLogos() {
    for (const char* suffix : {"", ".tmp", ".part"}) {
        for (const char* name : LOGO_FILES) RemoveFile(WindowsDir() + name + suffix);
        RemoveFile(BootRoot() + "Logo.sys" + suffix);
    }
}

}  // namespace

time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return mktime(&t);
}

std::string ReadBytes(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return "<missing>";
    std::string bytes;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveFile(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + "\\" + name);
            else
                RemoveFile(path + "\\" + name);
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

std::string WindowsDir() {
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    std::string result = dir;
    if (result.empty() || result.back() != '\\') result += '\\';
    return result;
}

std::string ProfilePath() { return WindowsDir() + PROFILE_NAME; }

std::string BootRoot() { return std::string(BOOT_DRIVE) + ":\\"; }

std::string HostPath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string PlainBitmap(unsigned width, unsigned height, unsigned seed) {
    const unsigned stride = (width * 3 + 3) & ~3u;
    std::string bytes(54 + stride * height, '\0');
    const auto put = [&](size_t at, unsigned value, int size) {
        for (int i = 0; i < size; ++i, value >>= 8) bytes[at + i] = static_cast<char>(value);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, static_cast<unsigned>(bytes.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (size_t i = 54; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + seed);
    return bytes;
}

std::string BinaryContent(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    if (size > 4) bytes.replace(size / 2, 4, "\r\n\x1A\n");
    return bytes;
}

std::string RegString(HKEY root, const char* key, const char* name) {
    HKEY k;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return "<missing>";
    char value[5096];
    DWORD size = sizeof value - 1;
    DWORD type;
    LONG r = RegQueryValueExA(k, name, NULL, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS) return "<missing>";
    value[size] = '\0';
    return value;
}

void SetRegString(HKEY root, const char* key, const char* name, const char* value) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyA(root, key, &k), ERROR_SUCCESS) << key;
    RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(strlen(value) + 1));
    RegCloseKey(k);
}

void DeleteRegValue(HKEY root, const char* key, const char* name) {
    HKEY k;
    if (RegOpenKeyExA(root, key, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) return;
    RegDeleteValueA(k, name);
    RegCloseKey(k);
}

void SetDesktop(const char* name, const char* value) {
    if (value)
        SetRegString(HKEY_CURRENT_USER, DESKTOP_KEY, name, value);
    else
        DeleteRegValue(HKEY_CURRENT_USER, DESKTOP_KEY, name);
}

FileList MakeList(const std::vector<std::string>& entries, const std::string& current) {
    FileList list;
    for (const std::string& e : entries) list.Entries.InsertLast(TCharString(e.c_str()));
    list.Current = current.c_str();
    return list;
}

std::vector<std::string> Entries(const FileList& list) {
    std::vector<std::string> result;
    for (unsigned i = 0; i < list.Entries.GetCount(); ++i) result.push_back(list.Entries.At(i)->GetText());
    return result;
}

void EngineTest::SetUp() {
    testApp.m_pszProfileName = PROFILE_NAME;
    ASSERT_NE(GetFileAttributesA(BootRoot().c_str()), INVALID_FILE_ATTRIBUTES)
        << "drive M: is not mapped: run the tests through ctest (fixture engine_boot_drive)";
    SetCurrentDirectoryA("C:\\");
    RemoveTree(WORK_DIR);
    CreateDirectoryA("C:\\iwengine", NULL);
    ASSERT_TRUE(CreateDirectoryA(WORK_DIR, NULL));
    ASSERT_TRUE(SetCurrentDirectoryA(WORK_DIR));
    RemoveFile(ProfilePath());
    RemoveLogos();
    boxes.clear();
    SetMessageBoxSink(RecordBox);
    savedWallpaper = RegString(HKEY_CURRENT_USER, DESKTOP_KEY, "Wallpaper");
    savedTile = RegString(HKEY_CURRENT_USER, DESKTOP_KEY, "TileWallpaper");
    savedStyle = RegString(HKEY_CURRENT_USER, DESKTOP_KEY, "WallpaperStyle");
}

void EngineTest::TearDown() {
    SetDesktop("Wallpaper", savedWallpaper == "<missing>" ? nullptr : savedWallpaper.c_str());
    SetDesktop("TileWallpaper", savedTile == "<missing>" ? nullptr : savedTile.c_str());
    SetDesktop("WallpaperStyle", savedStyle == "<missing>" ? nullptr : savedStyle.c_str());
    SetMessageBoxSink(NULL);
    SetCurrentDirectoryA("C:\\");
    RemoveTree(WORK_DIR);
    RemoveFile(ProfilePath());
    RemoveLogos();
}

std::vector<RecordedBox>& EngineTest::Boxes() { return boxes; }

AppSettings EngineTest::DefaultSettings() {
    AppSettings settings;
    LoadSettings(settings);
    settings.BootDrive = BOOT_DRIVE;
    return settings;
}

}  // namespace enginetest
