// Helpers shared by the Win32 benchmark drivers: whole files, files put back
// afterwards, the clock, starting and ending processes, medians.
#pragma once
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

inline std::string ReadFileBytes(const std::string& path, bool& found) {
    std::string bytes;
    FILE* f = fopen(path.c_str(), "rb");
    found = f != nullptr;
    if (!f) return bytes;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

inline std::string ReadFileBytes(const std::string& path) {
    bool found;
    return ReadFileBytes(path, found);
}

inline bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// A file the benchmark overwrites, restored (or removed) at the end.
struct SavedFile {
    std::string Path;
    std::string Bytes;
    bool Existed;
    explicit SavedFile(const std::string& path) : Path(path) { Bytes = ReadFileBytes(path, Existed); }
    void Restore() const {
        if (Existed)
            WriteFileBytes(Path, Bytes);
        else
            DeleteFileA(Path.c_str());
    }
};

inline std::string WindowsDir() {
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    std::string result = dir;
    if (result.back() != '\\') result += '\\';
    return result;
}

// A file beside the running driver.
inline std::string SiblingExe(const char* name) {
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string result = path;
    return result.substr(0, result.find_last_of('\\') + 1) + name;
}

inline double Seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency.QuadPart;
}

// Starts `exe` with `arguments` in `directory` (null: the driver's own);
// exits the driver when that fails.
inline PROCESS_INFORMATION StartProcess(const std::string& exe, const std::string& arguments,
                                        const char* directory) {
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, directory, &startup, &info)) {
        fprintf(stderr, "cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
        exit(1);
    }
    CloseHandle(info.hThread);
    return info;
}

// Waits up to 30 s for a benchmarked program to end, then terminates it.
inline void End(HANDLE process) {
    if (WaitForSingleObject(process, 30000) == WAIT_TIMEOUT) {
        fprintf(stderr, "a benchmarked program did not end; terminating it\n");
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 10000);
    }
    CloseHandle(process);
}

inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Deletes the files of `folder` (not its subfolders) and the folder itself.
inline void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                const std::string file = folder + "\\" + data.cFileName;
                SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(file.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace bench
