#!/usr/bin/env bash
# Sizes of the shipped files of a win32 build tree against their goals:
#   scripts/size-report.sh [BUILD_DIR]     (default: build/win32)
# imagewheel.exe and the setup program must each stay within 250 KB; the
# uninstaller that setup writes is NSIS's own (listed, no goal). KB here are
# 1,000 bytes, the stricter reading of the goal. Each exe is
# also checked for being stripped (no symbol table, no debug sections).
# A report, not a test: it always ends with status 0.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/win32}" && pwd)
objdump=i686-w64-mingw32-objdump

stripped() {
  local file=$1
  command -v "$objdump" >/dev/null || { echo "?"; return; }
  if "$objdump" -h "$file" 2>/dev/null | grep -q ' \.debug_'; then echo "no (debug sections)"; return; fi
  if "$objdump" -t "$file" 2>/dev/null | grep -q '^\[ *[0-9]*\]'; then echo "no (symbol table)"; return; fi
  echo "yes"
}

kb() { awk -v n="$1" 'BEGIN { printf "%.1f", n / 1000 }'; }

line() {  # line LABEL FILE GOAL_KB
  local label=$1 file=$2 goal=$3 size verdict
  if [ ! -f "$file" ]; then
    printf '  %-28s not built\n' "$label"
    return
  fi
  size=$(stat -c %s "$file")
  if [ -n "$goal" ]; then
    if [ "$size" -le $((goal * 1000)) ]; then verdict="within"; else verdict="OVER"; fi
    printf '  %-28s %8d bytes = %6s KB   goal <= %d KB: %-6s stripped: %s\n' "$label" "$size" \
      "$(kb "$size")" "$goal" "$verdict" "$(stripped "$file")"
  else
    printf '  %-28s %8d bytes = %6s KB   (no goal)            stripped: %s\n' "$label" "$size" \
      "$(kb "$size")" "$(stripped "$file")"
  fi
}

setup=$(ls "$build"/setup/imagewheel-*-setup.exe 2>/dev/null | head -1)
echo "shipped files ($build):"
line "imagewheel.exe" "$build/app/imagewheel.exe" 250
line "$(basename "${setup:-imagewheel-setup.exe}")" "${setup:-$build/setup/none}" 250
line "uninstall.exe (NSIS)" "$build/setup/uninstall.exe" ""
exit 0
