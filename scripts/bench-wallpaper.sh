#!/usr/bin/env bash
# Speed and memory of a stretched wallpaper (a benchmark, not a test).
#   scripts/bench-wallpaper.sh [OUTDIR]      (default: build/bench-wallpaper)
# Builds bench_wallpaper in the win32 tree (build/win32), makes a 1920x1080
# JPEG (plasma, fixed seed, quality 90) and, in one run, times:
#   - under Wine on the harness's 1024x768 screen: ApplyWallpaper with the
#     style Stretch, from the call until the rendered bitmap is written and
#     handed to Windows (median of REPEATS, in process), and the rendering
#     alone (decode, scale, write);
#   - on Linux: `convert in.jpg -resize 1024x768! BMP3:out.bmp`, timed as a
#     whole process (median of REPEATS);
# and the peak private bytes during the first render minus those before it.
# Goals: apply_ms <= convert_ms; peak < 3 x the decoded 24-bit picture.
# Starts the Wine harness when it is not running and then stops it again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/bench-wallpaper}
tree=$root/build/win32
IM=/usr/bin/convert
repeats=${REPEATS:-7}
[ -x $IM ] || { echo "bench-wallpaper: ImageMagick is not installed in /usr/bin" >&2; exit 2; }
mkdir -p "$out"
if [ ! -f "$tree/build.ninja" ]; then
  cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32.cmake" >/dev/null
else
  cmake "$tree" >/dev/null   # a tree configured before bench/wallpaper existed learns of it
fi
cmake --build "$tree" --target bench_wallpaper -j "${IW_JOBS:-2}" >/dev/null
bench=$tree/bench/wallpaper/bench_wallpaper.exe

jpeg=$out/plasma-1920x1080.jpg
[ -f "$jpeg" ] || $IM -seed 42 -size 1920x1080 plasma:fractal -quality 90 "$jpeg"

started=
if [ ! -f "$tree/wine-state/xvfb.pid" ] || ! kill -0 "$(cat "$tree/wine-state/xvfb.pid")" 2>/dev/null; then
  bash "$root/scripts/wine-harness.sh" start "$tree" >/dev/null
  started=1
fi
stop() { [ -z "$started" ] || bash "$root/scripts/wine-harness.sh" stop "$tree"; }
trap stop EXIT

line=$("$root/scripts/wine-run" "$bench" -n "$repeats" "Z:${jpeg//\//\\}" | tr -d '\r')
get() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" <<<"$line"; }

times=()
for ((i = 0; i < repeats; i++)); do
  t0=$(date +%s%N)
  $IM "$jpeg" -resize '1024x768!' BMP3:"$out/convert.bmp"
  t1=$(date +%s%N)
  times+=("$(( (t1 - t0) / 1000 ))")
done
convert_ms=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { printf "%.1f", a[int((NR + 1) / 2)] / 1000 }')

apply=$(get apply_ms) render=$(get render_ms) decoded=$(get decoded_bytes) peak=$(get peak_bytes)
printf '%-28s %s\n' picture "$(get size) JPEG -> $(get rendered) (screen $(get screen))"
printf '%-28s %10s ms   goal <= convert (%s ms)\n' "apply (Wine, in process)" "$apply" "$convert_ms"
printf '%-28s %10s ms\n' "render alone (Wine)" "$render"
printf '%-28s %10s ms\n' "convert -resize (Linux)" "$convert_ms"
printf '%-28s %10s bytes goal < %s (3 x %s decoded), counter %s\n' "peak private bytes" "$peak" \
  "$((3 * decoded))" "$decoded" "$(get counter)"
status=0
if awk -v a="$apply" -v c="$convert_ms" 'BEGIN { exit !(a > c) }'; then
  echo "bench-wallpaper: slower than ImageMagick"; status=1
fi
if [ "$peak" -ge $((3 * decoded)) ]; then
  echo "bench-wallpaper: peak memory at or above 3 x the decoded picture"; status=1
fi
exit $status
