/* What the program's C runtime libraries expect of msvcrt.dll and crtdll.dll
 * lacks. Every exe of the win32 tree links its C runtime from crtdll.dll, the
 * runtime every Windows 95, 98, ME and NT has in its system directory (no
 * Windows 95 release has msvcrt.dll); cmake/Crtdll.cmake sets that up and
 * links this file into every exe.
 *
 * - mingw-w64's <time.h> turns time, localtime and mktime into _time32,
 *   _localtime32 and _mktime32 (Visual C++ 2005 names); crtdll.dll has the
 *   same functions under their plain names, with the same 32-bit time_t and
 *   struct tm.
 * - libstdc++'s std::random_device (random.o, always linked: the copy-on-write
 *   std::string that libstdc++'s exceptions use refers to it) needs rand_s,
 *   close and read. The program never creates a random device; rand_s asks
 *   ADVAPI32's RtlGenRandom (SystemFunction036, Windows XP and later) at run
 *   time and fails where it is absent, and a random_device then throws.
 *
 * Each function is also reachable through its __imp_ pointer, as the headers
 * declare them dllimport. Beyond crtdll.dll, only KERNEL32 functions of
 * Windows 95 are imported.
 */
#include <errno.h>
#include <io.h>
#include <windows.h>

struct tm;

/* crtdll.dll's own functions (libcrtdll.a). */
__declspec(dllimport) long __cdecl time(long *timer);
__declspec(dllimport) struct tm *__cdecl localtime(const long *timer);
__declspec(dllimport) long __cdecl mktime(struct tm *broken_down);

long __cdecl _time32(long *timer) { return time(timer); }
struct tm *__cdecl _localtime32(const long *timer) { return localtime(timer); }
long __cdecl _mktime32(struct tm *broken_down) { return mktime(broken_down); }

int __cdecl rand_s(unsigned int *value)
{
    typedef BOOLEAN (WINAPI *GenRandom)(PVOID, ULONG);
    static GenRandom gen_random;
    static int looked_up;
    if (!value) return EINVAL;
    *value = 0;
    if (!looked_up) {
        HMODULE advapi = LoadLibraryA("advapi32.dll");
        if (advapi) gen_random = (GenRandom)(void *)GetProcAddress(advapi, "SystemFunction036");
        looked_up = 1;
    }
    return gen_random && gen_random(value, sizeof *value) ? 0 : EINVAL;
}

int __cdecl close(int fd) { return _close(fd); }
int __cdecl read(int fd, void *buffer, unsigned int count) { return _read(fd, buffer, count); }

long (__cdecl *_imp___time32)(long *) = _time32;
struct tm *(__cdecl *_imp___localtime32)(const long *) = _localtime32;
long (__cdecl *_imp___mktime32)(struct tm *) = _mktime32;
int (__cdecl *_imp__rand_s)(unsigned int *) = rand_s;
