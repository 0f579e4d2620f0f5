#!/usr/bin/env bash
# The import check against an exe built to fail it: the check must exit 1 and
# name every fault, and pass nothing it should not.
#   selftest.sh OBJDUMP NEWER_IMPORTS_EXE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(bash "$here/check-win95-imports.sh" "$1" "$2")
rc=$?
printf '%s\n' "$out"
status=0
[ "$rc" = 1 ] || { echo "selftest: the check exited $rc, expected 1"; status=1; }
while IFS= read -r expected; do
  grep -qxF "$expected" <<<"$out" || { echo "selftest: missing: $expected"; status=1; }
done <<'LINES'
newer_imports.exe: KERNEL32.DLL!GetTickCount64: not exported by Windows 95 (first in Windows Vista)
newer_imports.exe: KERNEL32.DLL!IsDebuggerPresent: not exported by Windows 95 (first in Windows 98)
newer_imports.exe: COMCTL32.DLL!InitCommonControlsEx: exported only from tier comctl32-470, not by Windows 95
newer_imports.exe: SHELL32.DLL!SHGetSpecialFolderPathA: exported only from tier ie4-shell, not by Windows 95
newer_imports.exe: MSVCRT.DLL!_i64toa: msvcrt.dll is not part of Windows 95 (the C runtime must come from crtdll.dll)
newer_imports.exe: CRTDLL.DLL!_strtoi64: not exported by the crtdll.dll of Windows 95
newer_imports.exe: OS version 5.1 in the PE header: Windows 95 loads only 4.0 and below
newer_imports.exe: subsystem version 5.1 in the PE header: Windows 95 loads only 4.0 and below
LINES
# Only those: the runtime's own imports of this exe (crtdll.dll) are all in Windows 95.
faults=$(grep -c ': .*\(not by Windows 95\|not exported\|not part of Windows 95\|PE header\|not a DLL\|by ordinal\)' <<<"$out")
[ "$faults" = 8 ] || { echo "selftest: $faults faults reported, expected 8"; status=1; }
exit $status
