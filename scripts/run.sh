#!/usr/bin/env bash
# Builds imagewheel.exe and starts it under Wine in the build tree's own prefix,
# inside a Wine virtual desktop (taskbar and notification area visible), as a
# configuration run: the sheet opens at once.
# With a display ($DISPLAY set) it stays up until you end the program.
# Without one it runs under Xvfb, saves a screenshot and prints its path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${IW_BUILD_ROOT:-$root/build}
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh win32 "$out" imagewheel

tree=$out/win32
rundir=$tree/run                      # the program's directory: its list files land here
mkdir -p "$rundir"
cp "$tree/app/imagewheel.exe" "$rundir/"
winexe="Z:$(echo "$rundir/imagewheel.exe" | tr / '\\')"

export WINEPREFIX=$tree/wineprefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -n "${DISPLAY:-}" ] && [ -z "${IW_HEADLESS:-}" ]; then
  [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
  echo "run: starting $winexe on $DISPLAY (end it from its icon's menu)"
  cd "$rundir" && wine explorer "/desktop=Imagewheel,1024x768" "$winexe"
  exit 0
fi

bash scripts/wine-harness.sh start "$tree"
trap 'bash "$root/scripts/wine-harness.sh" stop "$tree"' EXIT
export DISPLAY=:$(cat "$tree/wine-state/display")
(cd "$rundir" && exec wine explorer "/desktop=Imagewheel,1024x768" "$winexe") >/dev/null 2>&1 &
# Windows inside a Wine virtual desktop are not X windows: wait for the process,
# then give the sheet time to open and paint.
for _ in $(seq 60); do pgrep -f 'imagewheel.exe' >/dev/null && break; sleep 0.5; done
sleep 6
shot=$out/imagewheel-screenshot.png
import -window root "$shot"
if pgrep -f 'imagewheel.exe' >/dev/null; then
  echo "run: imagewheel.exe is running in $WINEPREFIX"
else
  echo "run: imagewheel.exe ran and has ended"
fi
echo "run: screenshot saved to $shot"
