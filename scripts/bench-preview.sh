#!/usr/bin/env bash
# Speed of the preview (a benchmark, not a test).
#   scripts/bench-preview.sh [OUTDIR]      (default: build/bench-preview)
# Builds bench_preview in the win32 tree (build/win32), makes the 1024x768 and
# 1920x1080 true-colour plasma bitmaps of the bitmap benchmark (same fixed
# seed), and runs it under Wine in that tree's prefix: for each file, in one
# run, Load + ToImage alone against SetImageFile until the picture is painted
# at the category page's preview size, and a repaint of the loaded picture.
# Goals: the preview adds at most 25 % to Load + ToImage (added, from the
# medians of alternating runs; added_min compares the fastest runs, which a
# busy machine disturbs least), and a repaint takes under 5 ms. Starts the Wine harness when it is not running and then stops
# it again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/bench-preview}
tree=$root/build/win32
IM=/usr/bin/convert
[ -x $IM ] || { echo "bench-preview: ImageMagick is not installed in /usr/bin" >&2; exit 2; }
mkdir -p "$out"
if [ ! -f "$tree/build.ninja" ]; then
  cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32.cmake" >/dev/null
else
  cmake "$tree" >/dev/null   # a tree configured before bench/preview existed learns of it
fi
cmake --build "$tree" --target bench_preview -j "${IW_JOBS:-2}" >/dev/null
bench=$tree/bench/preview/bench_preview.exe

files=()
for size in 1024x768 1920x1080; do
  f=$out/plasma-$size.bmp
  [ -f "$f" ] || $IM -seed 42 -size $size plasma:fractal -type TrueColor BMP3:"$f"
  files+=("Z:${f//\//\\}")
done

started=
if [ ! -f "$tree/wine-state/xvfb.pid" ] || ! kill -0 "$(cat "$tree/wine-state/xvfb.pid")" 2>/dev/null; then
  bash "$root/scripts/wine-harness.sh" start "$tree" >/dev/null
  started=1
fi
stop() { [ -z "$started" ] || bash "$root/scripts/wine-harness.sh" stop "$tree"; }
trap stop EXIT

lines=$("$root/scripts/wine-run" "$bench" -n "${REPEATS:-5}" "${files[@]}")
printf '%-18s %9s %8s %11s %10s %9s %9s %7s %11s\n' file colours load_ms preview_ms build_ms added added_min preview repaint_ms
status=0
while read -r line; do
  [ -n "$line" ] || continue
  get() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$line"; }
  name=$(sed 's/ .*//; s/.*\\//; s/\.bmp$//' <<<"$line")
  added=$(get added | tr -d '%\r')
  repaint=$(get repaint_ms | tr -d '\r')
  printf '%-18s %9s %8s %11s %10s %8s%% %9s %7s %11s\n' "$name" "$(get colours)" "$(get load_ms)" "$(get preview_ms)" \
    "$(get build_ms)" "$added" "$(get added_min)" "$(get preview_px)" "$repaint"
  if awk -v a="$added" -v r="$repaint" 'BEGIN { exit !(a > 25 || r >= 5) }'; then
    echo "bench-preview: $name misses a goal (added <= 25 %, repaint < 5 ms)"
    status=1
  fi
done <<<"$lines"
exit $status
