#!/usr/bin/env bash
# Pictures for the rendered-wallpaper tests and their references, made by
# ImageMagick (an independent decoder and scaler):
#   make_wallpaper_pictures.sh OUTDIR
# Sources: JPEG (baseline and progressive), PNG (with and without alpha),
# GIF, bitmaps Windows shows itself (8 and 24 bits) and one it does not (32
# bits per pixel). References are 24-bit bitmaps: enlarged with the
# triangle (bilinear) filter, shrunk with -scale (area average), or decoded
# at the picture's own size. Without ImageMagick nothing is made and the
# tests skip.
set -euo pipefail
out=${1:?usage: make_wallpaper_pictures.sh OUTDIR}
IM=/usr/bin/convert
rm -rf "$out"
[ -x $IM ] || { echo "make_wallpaper_pictures: no ImageMagick, the picture tests will skip"; exit 0; }
mkdir -p "$out.part"
cd "$out.part"
smooth() { $IM -seed "$1" -size "$2" plasma:fractal -blur 0x2 "${@:3}"; }

# Stretch, enlarging: 400x300 baseline JPEG onto 1024x768.
smooth 7 400x300 -quality 92 -sampling-factor 2x2 photo.jpg
$IM photo.jpg -filter Triangle -resize '1024x768!' -type TrueColor BMP3:photo-stretch.bmp
# Stretch, shrinking by two: 2048x1536 progressive JPEG.
smooth 8 2048x1536 -quality 92 -interlace JPEG big.jpg
$IM big.jpg -scale '1024x768!' -type TrueColor BMP3:big-stretch.bmp
# Best fit: a 300x400 PNG fills the height, 576x768.
smooth 9 300x400 -depth 8 tall.png
$IM tall.png -filter Triangle -resize '576x768!' -type TrueColor BMP3:tall-fit.bmp
# Best fit, shrinking: 1600x500 PNG, 1024x320.
smooth 10 1600x500 wide.png
$IM wide.png -scale '1024x320!' -type TrueColor BMP3:wide-fit.bmp
# Center and Tile at the picture's own size: GIF and a 32-bit bitmap.
smooth 11 200x150 -colors 200 paper.gif
$IM paper.gif -type TrueColor BMP3:paper-own.bmp
smooth 12 120x90 -alpha set -channel A -evaluate set 100% +channel -define bmp3:alpha=true BMP3:deep.bmp
$IM deep.bmp -alpha off -type TrueColor BMP3:deep-own.bmp
# A PNG whose left half is transparent: the desktop colour shows there.
$IM -size 64x32 xc:'rgb(200,40,90)' -alpha set \( -size 32x32 xc:none \) -geometry +0+0 -compose copy -composite clear.png
# Bitmaps Windows shows itself.
smooth 13 160x120 -colors 100 -type Palette -compress None BMP3:plain8.bmp
smooth 14 160x120 -type TrueColor BMP3:plain24.bmp
smooth 15 160x120 -colors 16 -type Palette -compress RLE BMP3:plainrle.bmp
$IM plain24.bmp -filter Triangle -resize '1024x768!' -type TrueColor BMP3:plain24-stretch.bmp
# A JPEG cut off in its scan data.
head -c 9000 photo.jpg > truncated.jpg
cd ..
mv "$out.part" "$out"
