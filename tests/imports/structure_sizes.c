/* Compiled with the tree's definitions, never run: the build fails when the
   version macros (WINVER, _WIN32_WINNT, _WIN32_IE) no longer keep structures
   at their Windows 95 sizes, and states the sizes Windows 95 accepts for the
   structures that mingw-w64 declares at their newest size whatever the macros
   say. Those must be passed with their Windows 95 size, never sizeof:
     OPENFILENAMEA      OPENFILENAME_SIZE_VERSION_400A (76; sizeof is 88)
     NOTIFYICONDATAA    NOTIFYICONDATAA_V1_SIZE (88; sizeof is 504)
     TOOLINFOA          TTTOOLINFOA_V1_SIZE (40; sizeof is 48)
     PROPSHEETPAGEA     PROPSHEETPAGEA_V1_SIZE (40; sizeof is 52)
     PROPSHEETHEADERA   PROPSHEETHEADERA_V1_SIZE (40; sizeof is 52)
     MENUITEMINFOA      44, up to and including cch (sizeof is 48, with hbmpItem) */
#include <stddef.h>
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

/* Shrunk by the macros. */
_Static_assert(sizeof(NONCLIENTMETRICSA) == 340, "NONCLIENTMETRICSA of Windows 95: WINVER is 0x0600 or above");
_Static_assert(sizeof(LVITEMA) == 52, "LVITEMA of COMCTL32 4.x: _WIN32_WINNT or _WIN32_IE too high");
_Static_assert(sizeof(LVCOLUMNA) == 32, "LVCOLUMNA of COMCTL32 4.x: _WIN32_IE too high");
_Static_assert(sizeof(STARTUPINFOA) == 68, "STARTUPINFOA of Windows 95");

/* The Windows 95 sizes of the others. */
_Static_assert(OPENFILENAME_SIZE_VERSION_400A == 76, "OPENFILENAMEA of Windows 95");
_Static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "NOTIFYICONDATAA of Windows 95");
_Static_assert(TTTOOLINFOA_V1_SIZE == 40, "TOOLINFOA of COMCTL32 4.00");
_Static_assert(PROPSHEETPAGEA_V1_SIZE == 40 && PROPSHEETHEADERA_V1_SIZE == 40, "property sheets of COMCTL32 4.00");
_Static_assert(offsetof(MENUITEMINFOA, cch) + sizeof(UINT) == 44, "MENUITEMINFOA of Windows 95");
