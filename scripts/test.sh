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

echo "== win32 tests under Wine =="
bash scripts/wine-harness.sh start "$out/win32"
trap 'bash "$root/scripts/wine-harness.sh" stop "$out/win32"' EXIT
(cd "$out/win32" && ctest --output-on-failure -j 2) | tee "$out/win32-ctest.txt" || status=1
counts "$out/win32"

if [ -x scripts/fuzz.sh ]; then
  echo "== fuzzing =="
  bash scripts/fuzz.sh "$out/fuzz" || status=1
fi

echo "== summary =="
for t in native win32; do
  printf '%-7s ' "$t:"; grep -E 'tests passed|tests failed' "$out/$t-ctest.txt" | tail -1
  [ -f "$out/$t-ctest.txt" ] && ! grep -q ', 0 tests failed' "$out/$t-ctest.txt" && status=1
done
# CTest's own closing line for the whole run.
tail -n +1 "$out/win32-ctest.txt" | grep -E 'tests passed|tests failed' | tail -1
exit $status
