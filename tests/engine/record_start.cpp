// Stand-in for the setup program's uninstaller: records that it was started
// by writing its command line to the file named by its first argument.
#include <windows.h>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    FILE* f = fopen(argv[1], "w");
    if (!f) return 1;
    fputs(GetCommandLineA(), f);
    fclose(f);
    return 0;
}
