#!/usr/bin/env bash
# Draws the program icon, a wheel of four coloured segments (one per category)
# with a dark rim, spokes and a white hub, and writes pages/res/imagewheel.ico
# with a 32x32 and a 16x16 image of 16 colours. Each size is drawn pixel by
# pixel at its own size (no scaling, no anti-aliasing) so that the small one
# stays crisp in the notification area. ImageMagick turns the two pixel maps into the icon file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# draw SIZE RIM SPOKE HUB: prints an XPM pixel map of the wheel.
draw() {
  python3 - "$@" <<'PY'
import sys
size, rim, spoke, hub = (float(a) for a in sys.argv[1:])
n = int(size)
c = (n - 2) / 2 if n % 2 == 0 else (n - 1) / 2      # an odd-sized wheel, top-left aligned
r = c + 0.5
colours = {'.': 'None', 'k': '#202020', 'w': '#f4f4f4',
           'r': '#e03c31', 'y': '#f2c200', 'g': '#2e9e44', 'b': '#2f6fd6'}
rows = []
for y in range(n):
    row = ''
    for x in range(n):
        dx, dy = x - c, y - c
        d = (dx * dx + dy * dy) ** 0.5
        if d > r + 0.2:
            ch = '.'
        elif d > r - rim - 0.1:
            ch = 'k'
        elif d <= hub:
            ch = 'w'
        elif abs(dx) < spoke or abs(dy) < spoke or d <= hub + rim:
            ch = 'k'
        else:
            ch = {(True, True): 'r', (False, True): 'y', (False, False): 'g', (True, False): 'b'}[(dx < 0, dy < 0)]
        row += ch
    rows.append(row)
print('/* XPM */\nstatic char *wheel[] = {')
print('"%d %d %d 1",' % (n, n, len(colours)))
for k, v in colours.items():
    print('"%s c %s",' % (k, v))
print(',\n'.join('"%s"' % row for row in rows))
print('};')
PY
}

draw 32 2 1.0 2.3 >"$tmp/32.xpm"
draw 16 1 0.5 1.0 >"$tmp/16.xpm"
# 16-colour images (4 bits per pixel, transparency in the AND mask): Windows 95
# cannot show icon images of 32 bits per pixel.
/usr/bin/convert "$tmp/32.xpm" "$tmp/16.xpm" +dither -type Palette -colors 16 \
  "$root/pages/res/imagewheel.ico"   # the real ImageMagick
echo "make-icon: wrote $root/pages/res/imagewheel.ico"
