#!/usr/bin/env bash
# Wine harness for one build tree.
#   wine-harness.sh start BUILD_DIR   create the prefix once, start Xvfb and a persistent wineserver
#   wine-harness.sh stop  BUILD_DIR   end that wineserver and that Xvfb (by the PID we recorded)
#   wine-harness.sh env   BUILD_DIR   print the export lines for the prefix
# The prefix lives in BUILD_DIR/wineprefix; nothing ever touches ~/.wine.
set -euo pipefail
cmd=${1:?usage: wine-harness.sh start|stop|env BUILD_DIR}
build=$(cd "${2:?build dir}" && pwd)
state=$build/wine-state
mkdir -p "$state"

source "$(dirname "$0")/wine-env.sh"

free_display() {
  local n
  for n in $(seq 91 160); do
    if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then echo $n; return; fi
  done
  echo "wine-harness: no free X display" >&2; exit 1
}

case $cmd in
  env)
    echo "export WINEPREFIX='$WINEPREFIX' WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='"
    [ -f "$state/display" ] && echo "export DISPLAY=:$(cat "$state/display")"
    ;;
  start)
    # Xvfb: every window needs a display, hidden ones too.
    if [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
      :
    else
      n=$(free_display)
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
      echo $! >"$state/xvfb.pid"
      echo "$n" >"$state/display"
      for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
    fi
    export DISPLAY=:$(cat "$state/display")
    iw_wine_prefix
    # One persistent wineserver for the whole run: each test exe then starts fast.
    iw_wine_server
    echo "wine-harness: prefix $WINEPREFIX, display :$(cat "$state/display")"
    ;;
  stop)
    wineserver -k >/dev/null 2>&1 || true
    if [ -f "$state/xvfb.pid" ]; then
      kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
      rm -f "$state/xvfb.pid" "$state/display"
    fi
    ;;
  *) echo "usage: wine-harness.sh start|stop|env BUILD_DIR" >&2; exit 2 ;;
esac
