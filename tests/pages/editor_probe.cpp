// Stands in for a bitmap editor: records the command line it was started with
// in editor_probe.log beside itself, then ends.
#include <windows.h>
#include <cstdio>
#include <cstring>

int main() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    char* dot = length ? std::strrchr(path, '.') : NULL;
    if (!dot || static_cast<size_t>(dot - path) + sizeof ".log" > sizeof path)
        return 1;
    std::strcpy(dot, ".log");
    std::FILE* log = std::fopen(path, "wb");
    if (!log)
        return 1;
    std::fputs(GetCommandLineA(), log);
    std::fclose(log);
    return 0;
}
