#!/usr/bin/env bash
# Reads bitmaps with bmpinfo (the bitmap reader and its conversion) and with
# ImageMagick and requires the same pixels.
#   bmp_agreement.sh BMPINFO BMPSUITE_DIR WORK_DIR
# 1. Bitmaps that ImageMagick writes: 12-byte (BMP2) and 40-byte (BMP3)
#    headers, 1, 4, 8 and 24 bits, RLE8, odd widths, several sizes.
# 2. The BMP Suite corpus (skipped when absent): every file ends in a defined
#    status, the same on a second run; files this reader refuses by its rules
#    (108/124-byte headers, top-down pictures at least 2 pixels wide) are
#    refused with status 3; where both readers decode, the pixels agree.
# Exits 77 (skipped) when ImageMagick's convert is not in /usr/bin.
set -u
bmpinfo=$1 suite=$2 work=$3
IM=/usr/bin/convert
if ! { [ -x "$IM" ] && "$IM" -version 2>/dev/null | grep -q ImageMagick; }; then
  echo "skipped: ImageMagick's convert is not installed in /usr/bin"
  exit 77
fi
# A sanitizer report must not look like an ordinary "not converted" exit 1.
export ASAN_OPTIONS=${ASAN_OPTIONS:-}:exitcode=86
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-}:halt_on_error=1:exitcode=86

rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
failures=0 compared=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# info FILE: bmpinfo's line for FILE in $line, its exit status in $rc.
info() {
  line=$("$bmpinfo" "$1" 2>&1)
  rc=$?
}
field() { sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<"$line"; }

# compare FILE [REFERENCE]: bmpinfo decodes FILE into the pixels that
# ImageMagick reads from REFERENCE (default: FILE itself).
compare() {
  local f=$1 ref=${2:-$1} n
  n=$(basename "$f" .bmp)
  if ! "$bmpinfo" --ppm "$n.ppm" "$f" >/dev/null; then
    fail "$f: bmpinfo did not convert it"
    return
  fi
  "$IM" "$n.ppm" -depth 8 "rgb:$n.ours" || { fail "$f: cannot read bmpinfo's PPM"; return; }
  "$IM" "$ref" -alpha off -depth 8 "rgb:$n.theirs" || { fail "$ref: ImageMagick cannot read it"; return; }
  cmp -s "$n.ours" "$n.theirs" || fail "$f: the pixels differ from ImageMagick's reading of $ref"
  compared=$((compared + 1))
}

# --- 1. Bitmaps written by ImageMagick -------------------------------------
declare -A seen
# check_generated FILE [REFERENCE]: loads and converts, notes its kind, compares.
check_generated() {
  info "$1"
  [ $rc -eq 0 ] || { fail "$line"; return; }
  seen["$(field format)/$(field bpp)/$(field compression)"]=1
  compare "$@"
}
seed=1
for size in 1x1 2x3 7x5 13x3 33x9 37x21 64x16 100x37 255x3 3x40; do
  seed=$((seed + 1))
  "$IM" -seed $seed -size $size plasma:fractal -depth 8 "src$size.png" || { fail "cannot make $size"; continue; }
  for format in BMP2 BMP3; do
    i=0
    for options in "-monochrome" "-colors 16" "-colors 200 -compress none" "-type TrueColor"; do
      i=$((i + 1))
      f=gen-$size-$format-$i.bmp
      # shellcheck disable=SC2086
      "$IM" "src$size.png" $options "$format:$f" || { fail "cannot write $f"; continue; }
      check_generated "$f"
    done
    # RLE8 (only the 40-byte header has compression), written from the
    # uncompressed 8-bit file so that both hold the same pixels. The
    # reference is ImageMagick's reading of the uncompressed twin: it
    # misreads the last row of some tiny RLE8 pictures that it writes itself.
    if [ $format = BMP3 ]; then
      twin=gen-$size-$format-3.bmp
      f=gen-$size-$format-rle.bmp
      "$IM" "$twin" -compress RLE "$format:$f" || { fail "cannot write $f"; continue; }
      check_generated "$f" "$twin"
    fi
  done
done
# The kinds the generated files must have covered (format/bpp/compression).
for kind in 2/1/1 2/4/1 2/8/1 2/24/1 3/1/1 3/4/1 3/8/1 3/8/3 3/24/1; do
  [ -n "${seen[$kind]:-}" ] || fail "no generated bitmap of kind $kind (format/bpp/compression)"
done
echo "generated bitmaps: $compared compared, kinds seen: ${!seen[*]}"

# --- 2. BMP Suite -----------------------------------------------------------
if [ ! -d "$suite" ]; then
  echo "BMP Suite not found at $suite: that part is skipped"
else
  u16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
  u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
  i32() { od -An -td4 -j "$2" -N4 "$1" | tr -d ' '; }
  # A one-entry colour table is too small for a 1-bit picture, which then
  # shows in black and white; ImageMagick uses the one colour instead.
  own_rule="pal1p1.bmp"
  before=$compared files=0
  for f in "$suite"/*/*.bmp; do
    files=$((files + 1))
    info "$f"
    first=$line
    if [ $rc -gt 1 ] || ! grep -Eq "^$f: status=[0-5] loaded=[01]" <<<"$line"; then
      fail "$f: no defined result (exit $rc): $line"
      continue
    fi
    info "$f"
    [ "$line" = "$first" ] || fail "$f: a second run reads differently: $line"
    status=$(field status) loaded=$(field loaded)
    expected=""
    if [ "$(u16 "$f" 0)" = 19778 ]; then  # "BM"
      header=$(u32 "$f" 14)
      case $header in
        108 | 124) expected=3 ;;
        40) [ "$(i32 "$f" 22)" -lt 0 ] && [ "$(i32 "$f" 18)" -ge 2 ] && expected=3 ;;
      esac
    fi
    if [ -n "$expected" ]; then
      [ "$loaded" = 0 ] && [ "$status" = "$expected" ] || fail "$f: must be refused with status $expected: $line"
      continue
    fi
    # Corrupt files (b/) only need a defined result; the readers repair them differently.
    case $f in */b/*) continue ;; esac
    [ "$(field image)" = 1 ] || continue
    case " $own_rule " in *" $(basename "$f") "*) continue ;; esac
    "$IM" "$f" -alpha off -depth 8 rgb:/dev/null 2>/dev/null || continue  # ImageMagick refuses it
    compare "$f"
  done
  echo "BMP Suite: $files files, $((compared - before)) compared"
fi

[ $failures -eq 0 ] && echo "agreement: all good" || echo "agreement: $failures failures"
[ $failures -eq 0 ]
