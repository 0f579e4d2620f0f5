#!/usr/bin/env bash
# Configures and builds one or both trees.
#   scripts/build.sh [native|win32|all] [BUILD_ROOT] [TARGET...]   (default: all, ./build, everything)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
which=${1:-all}
out=${2:-$root/build}
targets=("${@:3}")
jobs=${IW_JOBS:-$(nproc)}

build_tree() {
  local name=$1; shift
  local dir=$out/$name
  if grep -qs -- '-posix"' "$dir"/CMakeFiles/*/CMakeCXXCompiler.cmake; then
    # Configured before the win32 thread model: the cached compilers must go.
    echo "build: $name tree was configured with posix-thread compilers; configuring afresh"
    cmake --fresh -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  elif [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  fi
  echo "build: $name tree in $dir"
  local t=()
  [ "${#targets[@]}" -gt 0 ] && t=(--target "${targets[@]}")
  cmake --build "$dir" -j "$jobs" "${t[@]}" | grep -vE '^\[[0-9]+/[0-9]+\] (Building|Linking)' || true
  cmake --build "$dir" -j "$jobs" "${t[@]}" >/dev/null   # fail here if the first pass failed
}

case $which in
  native) build_tree native ;;
  win32)  build_tree win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32.cmake" ;;
  all)    build_tree native; build_tree win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32.cmake" ;;
  *) echo "usage: build.sh [native|win32|all] [BUILD_ROOT]" >&2; exit 2 ;;
esac
