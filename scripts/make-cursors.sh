#!/usr/bin/env bash
# Draws the two cursors of the file name list box and writes them as
# 32x32 monochrome cursor files:
#   pages/res/dragmove.cur  a vertical double-headed arrow between two
#                           horizontal bars, hot spot 15,14 (while dragging)
#   pages/res/nodrop.cur    a circle crossed by a diagonal bar, hot spot
#                           15,15 (where the dragged entry cannot go)
# Each shape is drawn in black, outlined in white (every pixel next to a black
# one, diagonals included); all other pixels are transparent. The files are
# written byte by byte (cursor directory, 40-byte header, two-colour table,
# XOR and AND masks, bottom row first), so nothing beyond python3 is needed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

python3 - "$root/pages/res" "$@" <<'PY'
import struct, sys

N = 32
out = sys.argv[1]

def dragmove(x, y):
    if y in (3, 4) or y in (25, 26):                    # the two bars
        return 8 <= x <= 22
    if 6 <= y <= 10:                                    # upper arrow head
        return abs(x - 15) <= y - 6
    if 19 <= y <= 23:                                   # lower arrow head
        return abs(x - 15) <= 23 - y
    return 11 <= y <= 18 and 14 <= x <= 16              # shaft

def nodrop(x, y):
    dx, dy = x - 15, y - 15
    d = (dx * dx + dy * dy) ** 0.5
    if 7.5 <= d <= 10.5:                                # ring
        return True
    return d <= 9 and abs(dx - dy) <= 2                 # bar, top left to bottom right

def picture(shape):
    black = [[shape(x, y) for x in range(N)] for y in range(N)]
    rows = []
    for y in range(N):
        row = ''
        for x in range(N):
            if black[y][x]:
                row += 'k'
            elif any(0 <= y + j < N and 0 <= x + i < N and black[y + j][x + i]
                     for j in (-1, 0, 1) for i in (-1, 0, 1)):
                row += 'w'
            else:
                row += '.'
        rows.append(row)
    return rows

def cursor_file(rows, hot_x, hot_y):
    def mask(bit):
        data = b''
        for row in reversed(rows):                       # bottom row first
            bits = 0
            for ch in row:
                bits = bits << 1 | bit(ch)
            data += struct.pack('>I', bits)              # 32 pixels, most significant bit first
        return data
    xor = mask(lambda ch: 1 if ch == 'w' else 0)         # colour 1 = white, 0 = black
    and_ = mask(lambda ch: 1 if ch == '.' else 0)        # 1 = transparent
    header = struct.pack('<IiiHHIIiiII', 40, N, 2 * N, 1, 1, 0, len(xor) + len(and_), 0, 0, 2, 0)
    colours = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + colours + xor + and_
    directory = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', N, N, 2, 0, hot_x, hot_y, len(image), 6 + 16)
    return directory + entry + image

for name, shape, hot in (('dragmove', dragmove, (15, 14)), ('nodrop', nodrop, (15, 15))):
    rows = picture(shape)
    with open('%s/%s.cur' % (out, name), 'wb') as f:
        f.write(cursor_file(rows, *hot))
    print('make-cursors: wrote %s/%s.cur' % (out, name))
    if '-v' in sys.argv:
        print('\n'.join(rows))
PY
