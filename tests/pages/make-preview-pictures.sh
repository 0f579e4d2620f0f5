#!/usr/bin/env bash
# Pictures for the preview test, made by ImageMagick:
#   pattern.{png,gif,jpg}, progressive.jpg  32 x 16 pixels, eight 8 x 8 blocks
#       of the colours below (JPEG at quality 100 without chroma subsampling,
#       so that every 8 x 8 block is flat and decodes to its colour)
#   alpha.png    the pattern, its top right quarter fully transparent and its
#                bottom right quarter black at half opacity
# ImagePreview_test.cpp holds the same colours. Without /usr/bin/convert
# nothing is made and the tests that need the pictures skip.
#   make-preview-pictures.sh OUT_DIR
set -euo pipefail
out=${1:?usage: make-preview-pictures.sh OUT_DIR}
IM=/usr/bin/convert
mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.gif "$out"/*.jpg "$out/made"
if [ ! -x "$IM" ]; then
  echo "make-preview-pictures: $IM not installed; the preview tests of decoded pictures will skip"
  touch "$out/made"
  exit 0
fi
top=('#C81E1E' '#1EB432' '#2846DC' '#F0DC28')
bottom=('#28C8D2' '#B432B4' '#F0F0F0' '#141414')
row() { local c; printf '( '; for c in "$@"; do printf -- '-size 8x8 xc:%s ' "$c"; done; printf '+append ) '; }
# shellcheck disable=SC2046
$IM $(row "${top[@]}") $(row "${bottom[@]}") -append -depth 8 "$out/pattern.ppm"
$IM "$out/pattern.ppm" PNG24:"$out/pattern.png"
$IM "$out/pattern.ppm" -colors 8 GIF:"$out/pattern.gif"
$IM "$out/pattern.ppm" -quality 100 -sampling-factor 1x1 JPG:"$out/pattern.jpg"
$IM "$out/pattern.ppm" -quality 100 -sampling-factor 1x1 -interlace Plane JPG:"$out/progressive.jpg"
$IM "$out/pattern.ppm" -alpha set \
    -region 16x8+16+0 -alpha transparent +region \
    -region 16x8+16+8 -fill '#000000' -colorize 100 -channel A -evaluate set 50% +channel +region \
    PNG32:"$out/alpha.png"
rm -f "$out/pattern.ppm"
touch "$out/made"
