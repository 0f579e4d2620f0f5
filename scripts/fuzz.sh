#!/usr/bin/env bash
# Fuzzes the bitmap reader (Load + ToImage) and the picture decoder
# (ReadPictureInfo + DecodePicture from memory: bitmaps, JPEG, PNG, GIF) with
# libFuzzer, about a minute in all, half of it each.
#   scripts/fuzz.sh OUTDIR [SECONDS [TARGETS]]
# TARGETS is "bitmap picture" (the default) or one of them; a single target
# gets all the seconds (a long campaign: scripts/fuzz.sh DIR 3600 picture).
# Builds the targets with clang++ (AddressSanitizer, UndefinedBehaviorSanitizer
# stopping at its first report) in OUTDIR, seeds them with generated files and
# the BMP Suite corpus (when it lies beside the source tree), and keeps each
# grown corpus in OUTDIR/corpus-TARGET. Fails on any crash, leak, sanitizer
# report, timeout or memory blow-up; the offending input is left in
# OUTDIR/artifacts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: fuzz.sh OUTDIR [SECONDS]}
seconds=${2:-60}
read -r -a targets <<<"${3:-bitmap picture}"
cxx=${IW_FUZZ_CXX:-clang++}
stb=${IW_STB_DIR:-/usr/include/stb}
mkdir -p "$out/obj" "$out/seeds" "$out/seeds-picture" "$out/stb" "$out/artifacts"
out=$(cd "$out" && pwd)

# Debian's stb_image with the project's fixes, as the build makes it.
patch --quiet --force -o "$out/stb/stb_image.h.tmp" "$stb/stb_image.h" "$root/Components/Graphics/stb/stb_image-fixes.patch"
mv "$out/stb/stb_image.h.tmp" "$out/stb/stb_image.h"

includes=(-I"$root/Components/Containers/Source" -I"$root/Components/FileSystem/Source"
          -I"$root/Components/Graphics/Source" -I"$root/tests/graphics" -I"$out/stb")
flags=(-std=c++17 -g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined
       "${includes[@]}")

echo "fuzz: building with $cxx in $out"
# Coverage guidance only for the graphics component (the bitmap reader, the
# picture decoder, stb_image); the container and file libraries it builds on
# are checked by the sanitizers alone.
objs=()
for src in "$root"/Components/{Containers,FileSystem,Graphics}/Source/*.cpp; do
  obj=$out/obj/$(basename "$(dirname "$(dirname "$src")")")-$(basename "$src" .cpp).o
  guided=()
  case $src in */Graphics/Source/* | */fuzz/*) guided=(-fsanitize=fuzzer-no-link) ;; esac
  case $src in */StbImage.cpp) guided+=(-fwrapv) ;; esac  # as the build compiles it
  "$cxx" "${flags[@]}" "${guided[@]}" -c "$src" -o "$obj"
  objs+=("$obj")
done
for t in "${targets[@]}"; do
  case $t in bitmap | picture) ;; *) echo "fuzz: unknown target $t" >&2; exit 2 ;; esac
  obj=$out/obj/$t-fuzz.o
  "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link -c "$root/tests/fuzz/${t}_fuzz.cpp" -o "$obj"
  "$cxx" -fsanitize=fuzzer,address,undefined "${objs[@]}" "$obj" -o "$out/${t}_fuzz"
done
"$cxx" -std=c++17 -O1 "${includes[@]}" "$root/tests/fuzz/make_seeds.cpp" -o "$out/make_seeds"

rm -f "$out"/seeds/* "$out"/seeds-picture/*
"$out/make_seeds" "$out/seeds" "$out/seeds-picture"
suite=$root/../shared/testdata/bmpsuite
if [ -d "$suite" ]; then
  for f in "$suite"/*/*.bmp; do cp "$f" "$out/seeds/suite-$(basename "$(dirname "$f")")-$(basename "$f")"; done
fi
cp "$out"/seeds/*.bmp "$out/seeds-picture/"  # bitmaps are pictures too
# Variants ImageMagick writes, when it is installed: JPEG with restart
# markers, 4:2:2 and 4:1:1 sampling, CMYK, arithmetic coding (refused);
# interlaced and 16-bit PNG; an interlaced GIF.
if [ -x /usr/bin/convert ]; then
  src=$out/seeds-picture/magick-source.ppm
  /usr/bin/convert -size 24x20 plasma:fractal -seed 1 "$src" 2>/dev/null || true
  if [ -f "$src" ]; then
    m=$out/seeds-picture/magick
    /usr/bin/convert "$src" -define jpeg:restart-interval=1 "$m-restart.jpg" || true
    /usr/bin/convert "$src" -sampling-factor 2x1 "$m-422.jpg" || true
    /usr/bin/convert "$src" -sampling-factor 4x1 -interlace JPEG "$m-411-progressive.jpg" || true
    /usr/bin/convert "$src" -colorspace CMYK "$m-cmyk.jpg" || true
    /usr/bin/convert "$src" -define jpeg:arithmetic-coding=true "$m-arithmetic.jpg" 2>/dev/null || true
    /usr/bin/convert "$src" -interlace PNG "$m-interlaced.png" || true
    /usr/bin/convert "$src" -depth 16 "$m-16.png" || true
    /usr/bin/convert "$src" -colors 16 -interlace GIF "$m-interlaced.gif" || true
    rm -f "$src"
  fi
fi

share=$(( seconds / ${#targets[@]} ))
[ "$share" -ge 1 ] || share=1
failed=0
for t in "${targets[@]}"; do
  seeds=$out/seeds; [ "$t" = picture ] && seeds=$out/seeds-picture
  corpus=$out/corpus-$t
  # The corpus of the bitmap target was once OUTDIR/corpus.
  [ "$t" = bitmap ] && [ -d "$out/corpus" ] && [ ! -d "$corpus" ] && mv "$out/corpus" "$corpus"
  mkdir -p "$corpus"
  log=$out/fuzz-$t.log
  echo "fuzz: $t for $share s"
  set +e
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    nice -n "${IW_FUZZ_NICE:-0}" "$out/${t}_fuzz" -max_total_time="$share" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$out/artifacts/$t-" "$corpus" "$seeds" >"$log" 2>&1
  rc=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  echo "fuzz: $t: ${runs:-0} executions, corpus $(find "$corpus" -type f | wc -l) files, exit $rc"
  if [ $rc -ne 0 ] || grep -qE "ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:" "$log"; then
    grep -E -A30 "ERROR|runtime error" "$log" | head -60
    echo "fuzz: $t FAILED (log: $log, inputs: $out/artifacts)"
    failed=1
  fi
done
[ $failed -eq 0 ] || exit 1
echo "fuzz: ok"
