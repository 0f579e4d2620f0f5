#!/usr/bin/env bash
# Fuzzes the bitmap reader (Load + ToImage) with libFuzzer for about a minute.
#   scripts/fuzz.sh OUTDIR [SECONDS]
# Builds the target with clang++ (AddressSanitizer, UndefinedBehaviorSanitizer)
# in OUTDIR, seeds it with generated bitmaps and the BMP Suite corpus (when it
# lies beside the source tree), and keeps the grown corpus in OUTDIR/corpus.
# Fails on any crash, leak, sanitizer report, timeout or memory blow-up; the
# offending input is left in OUTDIR/artifacts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: fuzz.sh OUTDIR [SECONDS]}
seconds=${2:-60}
cxx=${IW_FUZZ_CXX:-clang++}
mkdir -p "$out/obj" "$out/seeds" "$out/corpus" "$out/artifacts"
out=$(cd "$out" && pwd)

includes=(-I"$root/Components/Containers/Source" -I"$root/Components/FileSystem/Source"
          -I"$root/Components/Graphics/Source" -I"$root/tests/graphics")
flags=(-std=c++17 -g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined
       "${includes[@]}")

echo "fuzz: building with $cxx in $out"
# Coverage guidance only for the bitmap reader; the container and file
# libraries it builds on are checked by the sanitizers alone.
objs=()
for src in "$root"/Components/{Containers,FileSystem,Graphics}/Source/*.cpp "$root/tests/fuzz/bitmap_fuzz.cpp"; do
  obj=$out/obj/$(basename "$(dirname "$(dirname "$src")")")-$(basename "$src" .cpp).o
  guided=()
  case $src in */Graphics/Source/* | */fuzz/*) guided=(-fsanitize=fuzzer-no-link) ;; esac
  "$cxx" "${flags[@]}" "${guided[@]}" -c "$src" -o "$obj"
  objs+=("$obj")
done
"$cxx" -fsanitize=fuzzer,address,undefined "${objs[@]}" -o "$out/bitmap_fuzz"
"$cxx" -std=c++17 -O1 "${includes[@]}" "$root/tests/fuzz/make_seeds.cpp" -o "$out/make_seeds"

rm -f "$out"/seeds/*
"$out/make_seeds" "$out/seeds"
suite=$root/../shared/testdata/bmpsuite
if [ -d "$suite" ]; then
  for f in "$suite"/*/*.bmp; do cp "$f" "$out/seeds/suite-$(basename "$(dirname "$f")")-$(basename "$f")"; done
fi

echo "fuzz: running for $seconds s"
set +e
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$out/bitmap_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 -artifact_prefix="$out/artifacts/" "$out/corpus" "$out/seeds" >"$out/fuzz.log" 2>&1
rc=$?
set -e
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/fuzz.log" | tail -1)
echo "fuzz: ${runs:-0} executions, corpus $(find "$out/corpus" -type f | wc -l) files, exit $rc"
if [ $rc -ne 0 ] || grep -qE "ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:" "$out/fuzz.log"; then
  grep -E -A30 "ERROR|runtime error" "$out/fuzz.log" | head -60
  echo "fuzz: FAILED (log: $out/fuzz.log, inputs: $out/artifacts)"
  exit 1
fi
echo "fuzz: ok"
