#!/usr/bin/env python3
"""Draws the application icon: a wooden metronome with its pendulum, 32x32, 8 bits per pixel."""
import struct, sys

SIZE = 32
palette = [(0, 0, 0)] * 256
palette[1] = (70, 40, 20)     # outline
palette[2] = (160, 95, 45)    # wood
palette[3] = (235, 225, 200)  # scale
palette[4] = (200, 30, 30)    # pendulum weight
palette[5] = (40, 40, 40)     # rod

def pixel(x, y):
    # Trapezoid body, narrow at the top (y = 2) and wide at the bottom (y = 29).
    top, bottom = 2, 29
    if top <= y <= bottom:
        half = 4 + (y - top) * 10 // (bottom - top)
        dx = abs(x * 2 + 1 - SIZE) // 2
        if dx <= half:
            if dx == half or y in (top, bottom):
                return 1
            inner = 2 + (y - top) * 6 // (bottom - top)
            if y >= 6 and y <= 24 and dx <= inner:
                # Rod leaning to the right, weight part way up.
                rod_x = 16 + (24 - y) // 3
                if abs(x - rod_x) <= 1 and 11 <= y <= 14:
                    return 4
                if x == rod_x:
                    return 5
                return 3
            return 2
    return 0

pixels = bytearray()
mask = bytearray()
for y in reversed(range(SIZE)):
    row = [pixel(x, y) for x in range(SIZE)]
    pixels += bytes(row)
    bits = 0
    for x, v in enumerate(row):
        if v == 0:
            bits |= 1 << (31 - x)
    mask += struct.pack('>I', bits)

header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 8, 0, len(pixels) + len(mask), 0, 0, 256, 0)
pal = b''.join(struct.pack('BBBB', b, g, r, 0) for (r, g, b) in palette)
image = header + pal + bytes(pixels) + bytes(mask)
icon = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 8, len(image), 22) + image
out = sys.argv[1] if len(sys.argv) > 1 else 'pulsorel.ico'
with open(out, 'wb') as f:
    f.write(icon)
