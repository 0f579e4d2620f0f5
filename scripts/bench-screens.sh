#!/usr/bin/env bash
# Making screens and dropping many files on the category pages (a benchmark,
# not a test).
#   scripts/bench-screens.sh [FILES]      (default: 3000)
# Builds bench_screens in the win32 tree (build/win32) and runs it under Wine
# in that tree's prefix: MakeScreen of a 1024 x 768 picture; then FILES small
# bitmaps filled into a page's list box directly (the baseline), dropped on the
# Wallpaper page, and dropped on the Signon page answering No; and the time
# per screen of a drop answered Yes. Goal: a drop takes about as long as
# filling the list (ratio near 1; the Signon page also reads each file's
# header). Starts the Wine harness when it is not running and then stops it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tree=$root/build/win32
files=${1:-3000}
cmake "$tree" >/dev/null
cmake --build "$tree" --target bench_screens -j "${IW_JOBS:-2}" >/dev/null
started=
if [ ! -f "$tree/wine-state/display" ]; then
  bash "$root/scripts/wine-harness.sh" start "$tree" >/dev/null
  started=1
fi
work=$tree/bench/screens
(cd "$work" && "$root/scripts/wine-run" "$work/bench_screens.exe" "$files" bench-screens-files) 2>&1 | grep -v "Read access"
[ -z "$started" ] || bash "$root/scripts/wine-harness.sh" stop "$tree" >/dev/null
