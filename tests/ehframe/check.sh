#!/usr/bin/env bash
# The unwind-table compaction on a probe that throws through inline and
# template frames: the tool must shrink the table (merging the repeated CIEs,
# dropping the entries of functions that call nothing) and the probe must
# still catch every exception where it expects to, under Wine. The probe runs
# first as linked, so a failure points at the right one.
#   check.sh PYTHON COMPACT_SCRIPT OBJDUMP NM STRIP PROBE_EXE EMULATOR
set -uo pipefail
python=$1 compact=$2 objdump=$3 nm=$4 strip=$5 probe=$6 emulator=$7
work=$(dirname "$probe")/compacted
mkdir -p "$work"
copy=$work/$(basename "$probe")
cp "$probe" "$copy"
status=0
"$emulator" "$probe" || { echo "check: the probe fails as linked"; exit 1; }
tools=(--objdump "$objdump" --nm "$nm" --strip "$strip")
stripped=$work/stripped-$(basename "$probe")
cp "$probe" "$stripped" && "$strip" "$stripped"
out=$("$python" "$compact" "${tools[@]}" "$copy") || { echo "$out"; echo "check: the tool failed"; exit 1; }
echo "$out"
if [[ $out =~ ([0-9]+)\ CIEs\ -\>\ ([0-9]+),\ ([0-9]+)\ FDEs\ -\>\ ([0-9]+) ]]; then
  [ "${BASH_REMATCH[2]}" -lt "${BASH_REMATCH[1]}" ] || { echo "check: no CIE merged"; status=1; }
  [ "${BASH_REMATCH[4]}" -lt "${BASH_REMATCH[3]}" ] || { echo "check: no entry dropped"; status=1; }
else
  echo "check: the tool did not rewrite the table"; status=1
fi
[ "$(stat -c %s "$copy")" -lt "$(stat -c %s "$stripped")" ] || { echo "check: the file did not shrink"; status=1; }
"$nm" "$copy" 2>&1 | grep -q "no symbols" || { echo "check: the result keeps symbols"; status=1; }
"$emulator" "$copy" || { echo "check: the compacted probe fails"; status=1; }
exit $status
