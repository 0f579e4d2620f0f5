#!/usr/bin/env bash
# Cycle-run benchmark under Wine (not a test):
#   scripts/bench-cycle.sh [BUILD_DIR] [RUNS]     (default: build/win32, 10 runs)
# Times imagewheel.exe /cycle from start until it is resident against a Win32
# program that does nothing, and compares its resident memory with a minimal
# program holding one notification icon. Needs BUILD_DIR/app/imagewheel.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/win32}" && pwd)
runs=${2:-10}

exe=$build/app/imagewheel.exe
if [ ! -f "$exe" ]; then
  echo "bench-cycle: $exe is not built yet" >&2
  exit 2
fi
cmake --build "$build" --target bench_cycle_driver -j1 >/dev/null

# Reuse the tree's harness when it runs; otherwise start it for this run only.
started=
if [ ! -f "$build/wine-state/display" ]; then
  bash "$root/scripts/wine-harness.sh" start "$build" >/dev/null
  started=1
fi
trap '[ -z "$started" ] || bash "$root/scripts/wine-harness.sh" stop "$build"' EXIT

winexe="Z:$(echo "$exe" | tr / '\\')"
status=0
"$root/scripts/wine-run" "$build/bench/cycle/bench_cycle_driver.exe" "$winexe" "$runs" || status=$?

# The comparison holds only when the minimal program is built as the program
# is: the C runtime each one loads.
runtime() {
  i686-w64-mingw32-objdump -p "$1" 2>/dev/null | awk '/DLL Name:/ {print tolower($3)}' |
    grep -E '^(msvcrt|crtdll|msvcr[0-9]*|ucrtbase)[.]dll$|^api-ms-win-crt' | sort -u | tr '\n' ' '
}
echo "C runtime: imagewheel.exe $(runtime "$exe"); minimal tray program $(runtime "$build/bench/cycle/bench_tray_minimal.exe")"
bash "$root/scripts/size-report.sh" "$build"
exit $status
