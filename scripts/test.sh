#!/usr/bin/env bash
# Runs every test: set-up, both builds, native tests under ASan/UBSan, win32 tests
# under Wine, the bounded fuzzing run. Ends with CTest's summary.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${IW_BUILD_ROOT:-$root/build}
cd "$root"

bash scripts/setup.sh || exit 1
bash scripts/build.sh all "$out" || { echo "test: build failed"; exit 1; }

counts() {  # GoogleTest's own counts from CTest's log of that tree
  local log=$1/Testing/Temporary/LastTest.log
  [ -f "$log" ] || return 0
  awk '/\[==========\] [0-9]+ tests? from .* ran/ {ran+=$2}
       /\[  PASSED  \] [0-9]+ test/ {p+=$4}
       /\[  SKIPPED \] [0-9]+ test/ {s+=$4}
       /\[  FAILED  \] [0-9]+ test/ {f+=$4}
       END {printf "  gtest cases: %d ran, %d passed, %d failed, %d skipped\n", ran, p, f, s}' "$log"
}

status=0
echo "== native tests (AddressSanitizer + UndefinedBehaviorSanitizer) =="
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
(cd "$out/native" && ctest --output-on-failure -j "$(nproc)") | tee "$out/native-ctest.txt" || status=1
grep -q "tests passed" "$out/native-ctest.txt" || status=1
counts "$out/native"

# The win32 tests run twice: every test in a prefix that reports Windows NT
# (Wine's default), then the end-to-end tests (start-up, cycle runs, the pages,
# the sheet's OK path, the uninstall run, the C runtime in use; the engine's file replacement and its
# recovery) in a second prefix that reports Windows 95, where the program takes
# its 9x paths. IW_EXPECT_WINDOWS lets the tests check which one they got.
win95_prefix=$out/win32/wineprefix-win95
win95_tests='^(engine_tests|engine_dst_tests|program_tests|sheet_tests|category_pages_tests|runtime_tests)$'
stop_wine() {
  bash "$root/scripts/wine-harness.sh" stop "$out/win32"
  IW_WINEPREFIX=$win95_prefix bash "$root/scripts/wine-harness.sh" stop "$out/win32"
}
trap stop_wine EXIT

echo "== win32 tests under Wine (Windows NT) =="
bash scripts/wine-harness.sh start "$out/win32"
(cd "$out/win32" && IW_EXPECT_WINDOWS=nt ctest --output-on-failure -j 2) | tee "$out/win32-ctest.txt" || status=1
counts "$out/win32"
bash scripts/wine-harness.sh stop "$out/win32"

echo "== win32 end-to-end tests under Wine reporting Windows 95 =="
(
  export IW_WINEPREFIX=$win95_prefix IW_WINE_VERSION=win95 IW_EXPECT_WINDOWS=9x
  bash scripts/wine-harness.sh start "$out/win32"
  cd "$out/win32" && ctest --output-on-failure -R "$win95_tests"
) | tee "$out/win95-ctest.txt" || status=1
counts "$out/win32"

if [ -x scripts/fuzz.sh ]; then
  echo "== fuzzing =="
  bash scripts/fuzz.sh "$out/fuzz" || { status=1; fuzz_status=1; }
fi

echo "== summary =="
for t in native win32 win95; do
  printf '%-7s ' "$t:"; grep -E 'tests passed|tests failed' "$out/$t-ctest.txt" | tail -1
  [ -f "$out/$t-ctest.txt" ] && ! grep -q ', 0 tests failed' "$out/$t-ctest.txt" && status=1
done
# One closing line for the whole run: the CTest tests of all three runs, and
# the fuzzing run as one more.
passed=0; failed=0
for t in native win32 win95; do
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$out/$t-ctest.txt" 2>/dev/null | tail -1)
  if [ -z "$line" ]; then failed=$((failed + 1)); continue; fi
  f=$(echo "$line" | sed -E 's/.*passed, ([0-9]+) tests failed out of ([0-9]+).*/\1/')
  n=$(echo "$line" | sed -E 's/.*passed, ([0-9]+) tests failed out of ([0-9]+).*/\2/')
  passed=$((passed + n - f)); failed=$((failed + f))
done
if [ -x scripts/fuzz.sh ]; then
  if [ "${fuzz_status:-0}" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
fi
[ "$failed" -eq 0 ] || status=1
echo "tests: $passed passed, $failed failed"
exit $status
