#!/usr/bin/env bash
# Checks that an executable can load on Windows 95:
#   - its PE header asks for no OS and no subsystem above 4.0 (Windows 95 refuses such an exe);
#   - every function it imports, by name, is exported by Windows 95 (tiers 95 and 95osr2 of
#     win95-exports.tsv, which cover COMCTL32 4.00, and tier crtdll: Windows 95's crtdll.dll);
#   - nothing comes from msvcrt.dll, which no Windows 95 release has (Internet Explorer 4 or
#     a Visual C++ runtime installs it): the C runtime is crtdll.dll (cmake/Crtdll.cmake).
# The loader refuses an exe naming any other import, or a DLL it cannot find, before its
# first instruction runs, so one is enough to make the program unusable there.
#
#   check-win95-imports.sh OBJDUMP EXE [EXPORTS_TSV [NOT_IN_95_TSV]]
#
# Prints one line per fault, naming the DLL and function, and exits 1 when there is any;
# exits 2 when the exe or a table cannot be read.
set -euo pipefail
objdump=${1:?usage: check-win95-imports.sh OBJDUMP EXE [EXPORTS_TSV [NOT_IN_95_TSV]]}
exe=${2:?exe}
here=$(cd "$(dirname "$0")" && pwd)
exports=${3:-$here/win95-exports.tsv}
absent=${4:-$here/not-in-win95.tsv}
accepted="95 95osr2 crtdll"

[ -f "$exe" ] || { echo "$exe: not found (not built?)" >&2; exit 2; }
[ -r "$exports" ] || { echo "$exports: cannot be read" >&2; exit 2; }
[ -r "$absent" ] || absent=/dev/null
dump=$("$objdump" -p "$exe") || { echo "$exe: $objdump -p failed" >&2; exit 2; }
grep -q 'Subsystem' <<<"$dump" || { echo "$exe: $objdump -p shows no PE optional header" >&2; exit 2; }

printf '%s\n' "$dump" | LC_ALL=C awk -v exe="$(basename "$exe")" -v accepted="$accepted" \
    -v exports="$exports" -v absent="$absent" '
function load(file, table,    line, f) {
    while ((getline line < file) > 0) {
        if (line ~ /^#/ || line == "") continue
        split(line, f, "\t")
        k = index(f[1], "!")           # key DLL!Function, the DLL upper-case
        table[toupper(substr(f[1], 1, k)) substr(f[1], k + 1)] = f[2]
    }
    close(file)
}
function dllpart(key) { return substr(key, 1, index(key, "!") - 1) }
function fault(text) { print exe ": " text; faults++ }
function version(major, minor, what) {
    if (major == "" || minor == "") { fault("PE header shows no " what " version"); return }
    if (major + 0 > 4 || (major + 0 == 4 && minor + 0 > 0))
        fault(what " version " major "." minor " in the PE header: Windows 95 loads only 4.0 and below")
}
BEGIN {
    n = split(accepted, a, " ")
    for (i = 1; i <= n; i++) ok[a[i]] = 1
    load(exports, tier)
    load(absent, first)
    for (key in tier) known_dll[dllpart(key)] = 1
    for (key in first) known_dll[dllpart(key)] = 1
}
$1 == "MajorOSystemVersion"   { osmajor = $2 }
$1 == "MinorOSystemVersion"   { osminor = $2 }
$1 == "MajorSubsystemVersion" { submajor = $2 }
$1 == "MinorSubsystemVersion" { subminor = $2 }
/^The Import Tables/ { inimports = 1; next }
inimports && /^(The |PE File Base Relocations|Private flags)/ { inimports = 0 }
inimports && /^\tDLL Name: / { dll = toupper($3); dlls[dll] = 1; next }
# An import: hint-table entry, hint or ordinal, then the name ("<none>" when by ordinal).
inimports && dll != "" && /^\t[0-9a-f]+\t +[0-9]+  / {
    imports++
    if ($3 == "<none>") { fault(dll " ordinal " $2 ": imported by ordinal, which cannot be checked"); next }
    key = dll "!" $3
    if (dll == "MSVCRT.DLL") {
        fault(key ": msvcrt.dll is not part of Windows 95 (the C runtime must come from crtdll.dll)")
    } else if (key in tier) {
        if (!(tier[key] in ok)) fault(key ": exported only from tier " tier[key] ", not by Windows 95")
        else if (tier[key] == "95osr2") osr2 = osr2 " " $3
    } else if (key in first) {
        fault(key ": not exported by Windows 95 (first in " first[key] ")")
    } else if (dll == "CRTDLL.DLL") {
        fault(key ": not exported by the crtdll.dll of Windows 95")
    } else if (!(dll in known_dll)) {
        fault(key ": " dll " is not a DLL of Windows 95")
    } else {
        fault(key ": not exported by Windows 95")
    }
}
END {
    version(osmajor, osminor, "OS")
    version(submajor, subminor, "subsystem")
    if (imports == 0) fault("no imports found in the output of objdump -p")
    ndll = 0
    for (d in dlls) ndll++
    if (osr2 != "") print exe ": note: needs Windows 95 OSR2 or later for" osr2
    if (faults) { print exe ": " faults " fault(s): it would not load on Windows 95"; exit 1 }
    print exe ": OS " osmajor "." osminor ", subsystem " submajor "." subminor "; " imports \
          " imports from " ndll " DLLs, all exported by Windows 95"
}'
