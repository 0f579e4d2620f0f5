#!/usr/bin/env bash
# The unwind-table compaction on a probe that throws through inline and
# template frames: the tool must shrink the table (merging the repeated CIEs)
# and the probe must still catch every exception where it expects to, under
# Wine. The probe runs first as linked, so a failure points at the right one.
#   check.sh PYTHON COMPACT_SCRIPT PROBE_EXE EMULATOR
set -uo pipefail
python=$1 compact=$2 probe=$3 emulator=$4
work=$(dirname "$probe")/compacted
mkdir -p "$work"
copy=$work/$(basename "$probe")
cp "$probe" "$copy"
status=0
"$emulator" "$probe" || { echo "check: the probe fails as linked"; exit 1; }
out=$("$python" "$compact" "$copy") || { echo "$out"; echo "check: the tool failed"; exit 1; }
echo "$out"
if [[ $out =~ ([0-9]+)\ CIEs\ -\>\ ([0-9]+).*\.eh_frame\ ([0-9]+)\ -\>\ ([0-9]+) ]]; then
  [ "${BASH_REMATCH[2]}" -lt "${BASH_REMATCH[1]}" ] || { echo "check: no CIE merged"; status=1; }
  [ "${BASH_REMATCH[4]}" -lt "${BASH_REMATCH[3]}" ] || { echo "check: the table did not shrink"; status=1; }
else
  echo "check: the tool did not rewrite the table"; status=1
fi
[ "$(stat -c %s "$copy")" -lt "$(stat -c %s "$probe")" ] || { echo "check: the file did not shrink"; status=1; }
"$emulator" "$copy" || { echo "check: the compacted probe fails"; status=1; }
# Unchanged input, second pass: nothing left to merge, the file stays as it is.
before=$(md5sum < "$copy")
"$python" "$compact" "$copy" >/dev/null || status=1
[ "$(md5sum < "$copy")" = "$before" ] || { echo "check: a second pass changed the file"; status=1; }
exit $status
