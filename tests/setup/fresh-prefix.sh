#!/usr/bin/env bash
# fresh-prefix.sh BUILD_DIR PREFIX EXE [ARGS...]
# Runs a Windows test exe under Wine in PREFIX, created afresh for this run, on
# the display of BUILD_DIR's harness, and ends that prefix's wineserver after.
# The prefix is set up here rather than by wine-run: wine-run's locks live in
# the build tree and are held by the service processes of the harness's own
# prefix for as long as that prefix runs.
set -euo pipefail
build=${1:?usage: fresh-prefix.sh BUILD_DIR PREFIX EXE [ARGS...]}
prefix=${2:?}
exe=${3:?}
if [ -z "${DISPLAY:-}" ] && [ -f "$build/wine-state/display" ]; then
  export DISPLAY=:$(cat "$build/wine-state/display")
fi
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
start=$(date +%s)
if [ -d "$prefix" ]; then
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
fi
trap 'WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true' EXIT
wineboot -i </dev/null >/dev/null 2>&1 || true
# A virtual desktop with a notification area, as in the harness's prefix.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1
wineserver -w
# One server for the whole test; its service processes get no handle of ours.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
echo "fresh-prefix: $prefix ready after $(( $(date +%s) - start )) s"
status=0
wine "$exe" "${@:4}" || status=$?
echo "fresh-prefix: $(( $(date +%s) - start )) s in all"
# Kept for a look after a failure; otherwise nearly 600 MB less in the build tree.
if [ "$status" -eq 0 ]; then
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$prefix"
fi
exit $status
