/* The tests run on crtdll.dll like the program (cmake/Crtdll.cmake). GoogleTest
 * and libstdc++'s file streams ask more of msvcrt.dll than the program does;
 * this file, linked into every test exe (never into a shipped one), gives that
 * too: POSIX names as crtdll's underscored functions, and the 64-bit and wide
 * functions crtdll lacks through what it and KERNEL32 of Windows 95 have.
 */
/* io.h declares these two as imports; here they are defined. */
#define _filelengthi64 iw_io_h_filelengthi64
#define _lseeki64 iw_io_h_lseeki64
#include <windows.h>
#include <errno.h>
#include <io.h>
#include <sys/stat.h>
#undef _filelengthi64
#undef _lseeki64

typedef struct _iobuf FILE;

__declspec(dllimport) FILE *__cdecl _fdopen(int fd, const char *mode);
__declspec(dllimport) int __cdecl _fileno(FILE *file);
__declspec(dllimport) unsigned short __cdecl fgetwc(FILE *file);
__declspec(dllimport) unsigned short __cdecl fputwc(unsigned short c, FILE *file);
__declspec(dllimport) double __cdecl _nextafter(double x, double y);
__declspec(dllimport) FILE *__cdecl fopen(const char *name, const char *mode);

int __cdecl dup(int fd) { return _dup(fd); }
int __cdecl dup2(int fd, int fd2) { return _dup2(fd, fd2); }
int __cdecl creat(const char *name, int mode) { return _creat(name, mode); }
FILE *__cdecl fdopen(int fd, const char *mode) { return _fdopen(fd, mode); }
int __cdecl write(int fd, const void *buffer, unsigned int count) { return _write(fd, buffer, count); }
int __cdecl fileno(FILE *file) { return _fileno(file); }
unsigned short __cdecl getwc(FILE *file) { return fgetwc(file); }
unsigned short __cdecl putwc(unsigned short c, FILE *file) { return fputwc(c, file); }
double __cdecl nextafter(double x, double y) { return _nextafter(x, y); }
long long __cdecl _filelengthi64(int fd) { return _filelength(fd); }

long long __cdecl _lseeki64(int fd, long long offset, int origin)
{
    if (offset != (long)offset) {
        errno = EINVAL;
        return -1;
    }
    return _lseek(fd, (long)offset, origin);
}

static unsigned short Mode(DWORD attributes)
{
    unsigned short mode = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? _S_IFDIR | 0111 : _S_IFREG;
    return mode | ((attributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666);
}

static int __cdecl Stat32(const char *name, struct _stat32 *info)
{
    WIN32_FIND_DATAA found;
    HANDLE search;
    const DWORD attributes = GetFileAttributesA(name);
    ZeroMemory(info, sizeof *info);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        errno = ENOENT;
        return -1;
    }
    info->st_mode = Mode(attributes);
    info->st_nlink = 1;
    search = FindFirstFileA(name, &found);
    if (search != INVALID_HANDLE_VALUE) {
        info->st_size = (long)found.nFileSizeLow;
        FindClose(search);
    }
    return 0;
}

static int __cdecl Fstat64(int fd, struct _stat64 *info)
{
    const HANDLE file = (HANDLE)_get_osfhandle(fd);
    DWORD type;
    ZeroMemory(info, sizeof *info);
    if (file == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return -1;
    }
    type = GetFileType(file);
    info->st_nlink = 1;
    if (type == FILE_TYPE_DISK) {
        DWORD high = 0;
        const DWORD low = GetFileSize(file, &high);
        info->st_mode = _S_IFREG | 0666;
        info->st_size = ((long long)high << 32) | low;
    } else {
        info->st_mode = (type == FILE_TYPE_PIPE ? _S_IFIFO : _S_IFCHR) | 0666;
    }
    return 0;
}

static int __cdecl SetErrorMode_(int mode)
{
    (void)mode;
    return 0;
}

/* Wide names as the ANSI code page spells them (the only names Windows 95 has). */
static FILE *__cdecl Wfopen(const wchar_t *name, const wchar_t *mode)
{
    char narrowName[MAX_PATH], narrowMode[16];
    if (!WideCharToMultiByte(CP_ACP, 0, name, -1, narrowName, sizeof narrowName, NULL, NULL) ||
        !WideCharToMultiByte(CP_ACP, 0, mode, -1, narrowMode, sizeof narrowMode, NULL, NULL)) {
        errno = EINVAL;
        return NULL;
    }
    return fopen(narrowName, narrowMode);
}

int (__cdecl *_imp___stat32)(const char *, struct _stat32 *) = Stat32;
int (__cdecl *_imp___fstat64)(int, struct _stat64 *) = Fstat64;
int (__cdecl *_imp___set_error_mode)(int) = SetErrorMode_;
FILE *(__cdecl *_imp___wfopen)(const wchar_t *, const wchar_t *) = Wfopen;
