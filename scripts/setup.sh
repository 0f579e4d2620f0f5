#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Imagewheel.
# Idempotent and quiet: a second run only checks and costs seconds.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture"
  $SUDO dpkg --add-architecture i386
  updated_arch=1
fi

for p in cmake g++ make ninja-build googletest libgtest-dev mingw-w64 wine xvfb xdotool imagemagick libstb-dev patch \
         clang libclang-rt-14-dev x11-utils nsis python3; do
  have_pkg "$p" || need+=("$p")
done
have_pkg wine32:i386 || need+=("wine32:i386")

if [ "${#need[@]}" -gt 0 ] || [ -n "${updated_arch:-}" ]; then
  echo "setup: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq >/dev/null
  if [ "${#need[@]}" -gt 0 ]; then
    $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
  fi
fi
# Debian ships a stand-in `convert` on some images; the real one lives in /usr/bin.
echo "setup: ok"
