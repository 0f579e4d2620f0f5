#!/usr/bin/env bash
# File-list benchmark under Wine (not a test):
#   scripts/bench-lists.sh [BUILD_DIR] [ROUNDS] [SIZE...]
#   (default: build/win32, 5 rounds, sizes 10 1000 10000 30000)
# Times imagewheel.exe /cycle from start until resident with all four lists of
# SIZE entries, and the sheet with a wallpaper list of 30,000 and of 10,000
# entries against one of 10: its open (command 2025), its Wallpaper page shown (until the
# page's list box holds the list), and OK until the lists are written.
# Goals: cycle run extra(30000) <= 3.5 x extra(10000), where extra(N) is the
# time beyond the 10-entry run, and extra(30000) <= 1 s; sheet with 30,000
# entries: Wallpaper page shown <= 500 ms and linear (its extra over the
# 10-entry sheet at most 3.5 times the 10,000-entry one's), OK until written
# <= 500 ms. Ends with the size report of the shipped files.
# IW_BENCH_TIMEOUT (seconds, default 60) ends a run that takes longer and
# drops its size; IW_BENCH_NO_SHEET=1 leaves out the sheet; IW_BENCH_EXE names
# another imagewheel.exe to time (an older build, for comparison).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/win32}" && pwd)
rounds=${2:-5}
sizes=("${@:3}")

exe=${IW_BENCH_EXE:-$build/app/imagewheel.exe}   # IW_BENCH_EXE: another build of the program
if [ ! -f "$exe" ]; then
  echo "bench-lists: $exe is not built yet" >&2
  exit 2
fi
cmake --build "$build" --target bench_lists_driver -j1 >/dev/null

# Reuse the tree's harness when it runs; otherwise start it for this run only.
started=
if [ ! -f "$build/wine-state/display" ]; then
  bash "$root/scripts/wine-harness.sh" start "$build" >/dev/null
  started=1
fi
trap '[ -z "$started" ] || bash "$root/scripts/wine-harness.sh" stop "$build"' EXIT

# wine-run passes the environment on; WINEDEBUG and the overrides come from it.
export IW_BENCH_TIMEOUT=${IW_BENCH_TIMEOUT:-60}
[ -z "${IW_BENCH_NO_SHEET:-}" ] || export IW_BENCH_NO_SHEET
winexe="Z:$(echo "$exe" | tr / '\\')"
# The driver writes to a file: a Wine desktop process started during the run
# inherits its handles and would hold a pipe open after the driver has ended.
log=$build/wine-state/bench-lists.log
status=0
"$root/scripts/wine-run" "$build/bench/lists/bench_lists_driver.exe" "$winexe" "$rounds" "${sizes[@]}" \
  </dev/null >"$log" 2>&1 || status=$?
cat "$log"
bash "$root/scripts/size-report.sh" "$build"
exit $status
