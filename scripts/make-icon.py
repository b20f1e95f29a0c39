#!/usr/bin/env python3
# Draws the program's icon, res/vextral.ico: one 32 x 32 image in the 16 standard colours.
# A black screen fading to blue at the bottom, and a white, extruded "V" lying on a tilted plane.
import struct, sys

PALETTE = [  # the 16 VGA colours, as (r, g, b)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, GREY, SILVER, BLUE, WHITE = 0, 4, 8, 7, 12, 15
N = 32

def inside_v(x, y, dx=0.0):
    # A "V" narrowing towards the top of the icon, as if on a plane tilted away from the viewer.
    t = (y - 5) / 22.0               # 0 at the top of the letter, 1 at its bottom
    if t < 0 or t > 1:
        return False
    half = 12.0 - 5.0 * (1 - t)      # half-width of the letter at this row
    stroke = 2.0 + 2.5 * t           # stroke width grows towards the viewer
    cx = 16 + dx
    left_edge = cx - half * (1 - t)
    right_edge = cx + half * (1 - t)
    return abs(x - left_edge) <= stroke / 2 or abs(x - right_edge) <= stroke / 2

pixels = [[BLACK] * N for _ in range(N)]
for y in range(N):
    for x in range(N):
        if y >= 26:
            c = BLUE
        elif y >= 20:
            c = NAVY
        else:
            c = BLACK
        if inside_v(x - 1, y - 1):
            c = GREY                  # the extruded side, offset down and right
        if inside_v(x, y):
            c = WHITE if y < 24 else SILVER
        pixels[y][x] = c
# A one-pixel frame in grey, like the screen's sunken edge.
for i in range(N):
    pixels[0][i] = pixels[N - 1][i] = pixels[i][0] = pixels[i][N - 1] = GREY

xor = bytearray()
for y in reversed(range(N)):          # bottom-up rows
    for x in range(0, N, 2):
        xor.append((pixels[y][x] << 4) | pixels[y][x + 1])
and_mask = bytes(N * 4)               # fully opaque, 4 bytes a row
palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
header = struct.pack('<IiiHHIIiiII', 40, N, 2 * N, 1, 4, 0, len(xor) + len(and_mask), 0, 0, 16, 0)
image = header + palette + bytes(xor) + and_mask
icon = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', N, N, 16, 0, 1, 4, len(image), 22) + image
out = sys.argv[1] if len(sys.argv) > 1 else 'res/vextral.ico'
with open(out, 'wb') as f:
    f.write(icon)
