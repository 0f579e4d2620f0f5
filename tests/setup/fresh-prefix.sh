#!/usr/bin/env bash
# fresh-prefix.sh PREFIX EXE [ARGS...]
# Runs a Windows test exe under Wine in PREFIX, created afresh for this run
# (the display is the harness's), and ends that prefix's wineserver afterwards.
set -euo pipefail
prefix=${1:?usage: fresh-prefix.sh PREFIX EXE [ARGS...]}
exe=${2:?usage: fresh-prefix.sh PREFIX EXE [ARGS...]}
root=$(cd "$(dirname "$0")/../.." && pwd)
export IW_WINEPREFIX=$prefix
if [ -d "$prefix" ]; then
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
fi
trap 'WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true' EXIT
start=$(date +%s)
status=0
"$root/scripts/wine-run" "$exe" "${@:3}" || status=$?
echo "fresh-prefix: $(( $(date +%s) - start )) s, the prefix's creation included"
exit $status
