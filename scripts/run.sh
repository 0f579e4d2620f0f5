#!/usr/bin/env bash
# Builds imagewheel.exe and its setup program, installs it with the setup
# (silently) into a sandbox Wine prefix of its own (build/win32/sandbox), and
# starts the installed program there as its Start menu shortcut does: a
# configuration run, the sheet opens at once. A new sandbox gets a few
# demonstration pictures in its Signon and Wallpaper lists.
# With a display ($DISPLAY set) it stays up until you end the program.
# Without one (or with IW_HEADLESS=1) it runs under an Xvfb of its own, saves a
# screenshot, prints its path and ends the sandbox's Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${IW_BUILD_ROOT:-$root/build}
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh win32 "$out" imagewheel imagewheel-setup

tree=$out/win32
setup_exe=$tree/setup/imagewheel-1.91-setup.exe
export WINEPREFIX=$tree/sandbox WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
install_dir='C:\Program Files\Imagewheel'
install_unix=$WINEPREFIX/drive_c/Program\ Files/Imagewheel
pictures_unix=$WINEPREFIX/drive_c/My\ Pictures

xvfb_pid=""
finish() {
  [ -n "$xvfb_pid" ] || return 0
  wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap finish EXIT

headless=""
if [ -z "${DISPLAY:-}" ] || [ -n "${IW_HEADLESS:-}" ]; then
  headless=1
  for n in $(seq 161 230); do
    if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:$n
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
fi

# An earlier run in the sandbox ends first: its program would hold the exe.
wineserver -k >/dev/null 2>&1 || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run: creating the sandbox prefix $WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1 || true
  # A virtual desktop, so that the notification area is visible.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1
fi

# Setup again only for a program that changed: a repeated installation is
# handled as a new one (the desktop wallpaper is imported once more).
if ! cmp -s "$tree/app/imagewheel.exe" "$install_unix/imagewheel.exe"; then
  echo "run: installing into $install_dir with the setup program (silently)"
  wine "$setup_exe" /S "/D=$install_dir" </dev/null >/dev/null 2>&1
  [ -f "$install_unix/imagewheel.exe" ] || { echo "run: the setup program installed nothing" >&2; exit 1; }
fi

# Demonstration pictures for a sandbox without lists: start-up screens of the
# size Windows shows (320x400, 256 colours) and wallpapers; the desktop shows
# the first wallpaper, which the first start takes into its list.
if [ ! -f "$install_unix/SignonFileList.txt" ] && [ ! -f "$install_unix/WallpaperFileList.txt" ]; then
  echo "run: demonstration pictures in C:\\My Pictures"
  mkdir -p "$pictures_unix"
  colours=("#1f4e9c:#8fd3ff" "#7a1f5c:#ffb36b" "#1d6b3a:#e8f5a0")
  for i in 0 1 2; do
    # (No text: the machine may have no fonts.) One to three discs tell them apart.
    discs=""
    for d in $(seq 0 "$i"); do discs="$discs circle $((110 + 50 * d)),200 $((110 + 50 * d)),180"; done
    convert -size 320x400 "gradient:${colours[$i]%%:*}-${colours[$i]##*:}" \
      -fill white -draw "$discs" -colors 256 -type Palette "BMP3:$pictures_unix/startup$((i + 1)).bmp"
    convert -size 640x480 "radial-gradient:${colours[$i]##*:}-${colours[$i]%%:*}" \
      -fill white -draw "circle 320,240 320,$((200 - 40 * i))" \
      -type TrueColor "BMP3:$pictures_unix/wallpaper$((i + 1)).bmp"
  done
  list() {  # the Windows names of the files, one a line (CR LF)
    for f in "$@"; do printf 'C:\\My Pictures\\%s\r\n' "$f"; done
  }
  list startup1.bmp startup2.bmp startup3.bmp >"$install_unix/SignonFileList.txt"
  printf '\r\n' >"$install_unix/CurrSignonFile.txt"
  list wallpaper2.bmp wallpaper3.bmp >"$install_unix/WallpaperFileList.txt"
  printf '\r\n' >"$install_unix/CurrWallpaperFile.txt"
  wine reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /d 'C:\My Pictures\wallpaper1.bmp' /f \
    </dev/null >/dev/null 2>&1
fi

program="$install_dir\\imagewheel.exe"
if [ -z "$headless" ]; then
  echo "run: starting $program on $DISPLAY (end it from its icon's menu)"
  wine explorer "/desktop=Imagewheel,1024x768" "$program"
  exit 0
fi

(cd "$install_unix" && exec wine explorer "/desktop=Imagewheel,1024x768" "$program") >/dev/null 2>&1 &
# Windows inside a Wine virtual desktop are not X windows: wait for the process,
# then give the sheet time to open and paint.
running() {
  for p in $(pgrep -f 'imagewheel\.exe' 2>/dev/null); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}
for _ in $(seq 60); do running && break; sleep 0.5; done
sleep 6
shot=$out/imagewheel-screenshot.png
import -window root "$shot"
if running; then
  echo "run: the installed imagewheel.exe is running in $WINEPREFIX"
else
  echo "run: the installed imagewheel.exe ran and has ended"
fi
echo "run: screenshot saved to $shot"
