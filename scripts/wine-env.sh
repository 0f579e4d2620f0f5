# Sourced by the Wine scripts: environment and server for one build tree's prefix.
# Needs $build (the build tree) to be set.
export WINEPREFIX=${IW_WINEPREFIX:-$build/wineprefix}
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# IW_WINE_VERSION (e.g. win95) makes the prefix report that Windows version
# (HKCU\Software\Wine, value Version): GetVersion then answers as Windows 95.
# Wine still loads and exports everything, so only the program's own 9x code
# paths change. A prefix keeps the version it was given last.
iw_wine_version_set() {
  [ -z "${IW_WINE_VERSION:-}" ] || [ "$(cat "$WINEPREFIX/.iw-version" 2>/dev/null)" = "$IW_WINE_VERSION" ]
}

# Creates the prefix once (several test processes may race here).
iw_wine_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && iw_wine_version_set && return 0
  mkdir -p "$build/wine-state"
  (
    flock 9
    if [ -f "$WINEPREFIX/system.reg" ] && ! iw_wine_version_set; then
      wine reg add 'HKCU\Software\Wine' /v Version /d "$IW_WINE_VERSION" /f </dev/null >/dev/null 2>&1 9>&- &&
        echo "$IW_WINE_VERSION" >"$WINEPREFIX/.iw-version"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "wine: creating prefix $WINEPREFIX" >&2
      wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
      # A virtual desktop: windows open fast and the notification area exists
      # even on a bare X server.
      wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1 9>&- || true
      wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1 9>&- || true
      if [ -n "${IW_WINE_VERSION:-}" ]; then
        wine reg add 'HKCU\Software\Wine' /v Version /d "$IW_WINE_VERSION" /f </dev/null >/dev/null 2>&1 9>&- &&
          echo "$IW_WINE_VERSION" >"$WINEPREFIX/.iw-version"
      fi
      wineserver -w 9>&-
    fi
  ) 9>"$build/wine-state/create-${WINEPREFIX##*/}.lock"
}

# Keeps one wineserver alive for the prefix and its service processes (services.exe,
# rpcss, plugplay...) running. Those are started by the first Windows process and
# inherit its standard handles: if a test started them, they would hold CTest's
# output pipe open and the test would hang at exit. So they are started here, by a
# throwaway process whose handles point at /dev/null. No Wine process may inherit
# a lock's descriptor (9): a service holding it would block every later locker.
iw_wine_server() {
  wineserver -p </dev/null >/dev/null 2>&1 || true
  local p
  for p in $(pgrep -f 'services\.exe' 2>/dev/null); do
    if { tr "\\0" "\\n" <"/proc/$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then return 0; fi
  done
  (
    flock 9
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1 9>&- || true
  ) 9>"$build/wine-state/server-${WINEPREFIX##*/}.lock"
}
