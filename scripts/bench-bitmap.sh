#!/usr/bin/env bash
# Speed of the bitmap reader against ImageMagick (a benchmark, not a test).
#   scripts/bench-bitmap.sh [OUTDIR]      (default: build/bench-bitmap)
# Builds bench_bitmap optimised without sanitizers in OUTDIR/build, makes
# 1024x768 and 1920x1080 true-colour plasma bitmaps with a fixed seed, and
# times, on the same files in one run, Load + ToImage against
# `identify -format %k` (ImageMagick counting the distinct colours), and Load
# alone against reading the file and touching every byte.
# Goals: total / identify <= 0.5 and load / read <= 1.5. The total is
# dominated by the true-colour conversion, whose main cost is one sorted-tree
# insertion per distinct colour (about 0.1 s for the 650,000 colours of the
# 1024x768 picture on the build machine).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/bench-bitmap}
IM=/usr/bin/convert ID=/usr/bin/identify
[ -x $IM ] && [ -x $ID ] || { echo "bench-bitmap: ImageMagick is not installed in /usr/bin" >&2; exit 2; }
mkdir -p "$out"
if [ ! -f "$out/build/build.ninja" ]; then
  cmake -S "$root" -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DIW_SANITIZE=OFF -DIW_TESTS=OFF >/dev/null
fi
cmake --build "$out/build" --target bench_bitmap -j "${IW_JOBS:-2}" >/dev/null
bench=$out/build/bench/bitmap/bench_bitmap

now() { date +%s%N; }
printf '%-22s %10s %10s %10s %12s %8s %8s %8s\n' file read_ms load_ms total_ms identify_ms colours total/id load/read
status=0
for size in 1024x768 1920x1080; do
  f=$out/plasma-$size.bmp
  [ -f "$f" ] || $IM -seed 42 -size $size plasma:fractal -type TrueColor BMP3:"$f"
  "$ID" -format %k "$f" >/dev/null  # warm the file cache
  best=
  for _ in 1 2 3; do
    start=$(now)
    colours=$("$ID" -format %k "$f")
    t=$(( ($(now) - start) / 1000 ))
    [ -z "$best" ] || [ "$t" -lt "$best" ] && best=$t
  done
  line=$("$bench" "$f")
  read_ms=$(sed -n 's/.*read_ms=\([0-9.]*\).*/\1/p' <<<"$line")
  load_ms=$(sed -n 's/.*load_ms=\([0-9.]*\).*/\1/p' <<<"$line")
  total_ms=$(sed -n 's/.*total_ms=\([0-9.]*\).*/\1/p' <<<"$line")
  ours=$(sed -n 's/.*colours=\([0-9]*\).*/\1/p' <<<"$line")
  exact=$(sed -n 's/.*exact=\([01]\).*/\1/p' <<<"$line")
  id_ms=$(awk -v t="$best" 'BEGIN { printf "%.2f", t / 1000 }')
  printf '%-22s %10s %10s %10s %12s %8s %8s %8s\n' "plasma-$size" "$read_ms" "$load_ms" "$total_ms" "$id_ms" "$ours" \
    "$(awk -v a="$total_ms" -v b="$id_ms" 'BEGIN { printf "%.3f", a / b }')" \
    "$(awk -v a="$load_ms" -v b="$read_ms" 'BEGIN { printf "%.2f", a / b }')"
  if [ "$exact" != 1 ] || [ "$ours" != "$colours" ]; then
    echo "bench-bitmap: $f: conversion not exact (palette $ours, ImageMagick counts $colours colours)"
    status=1
  fi
done
exit $status
