// Stand-in for the setup program's uninstaller: records that it was started
// by writing its command line to the file named by its first argument. The
// file appears complete or not at all, so a waiting test never reads it half-written.
#include <windows.h>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string part = std::string(argv[1]) + ".part";
    FILE* f = fopen(part.c_str(), "w");
    if (!f) return 1;
    fputs(GetCommandLineA(), f);
    if (fclose(f) != 0) return 1;
    return MoveFileA(part.c_str(), argv[1]) ? 0 : 1;
}
