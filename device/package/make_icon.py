#!/usr/bin/env python3
"""Draws the package's default row icon, iconIOS7@2x.png: 58 x 58 pixels
(29 points at scale 2), a white rounded square with three coloured dots and
grey lines, as a list of reminders. Run once; the PNG is committed.
Standard library only (zlib for the PNG stream)."""
import struct
import sys
import zlib

SIZE = 58
SAMPLES = 4  # per axis, for smooth edges


def inside_rounded_square(x, y, radius=13.0):
    cx = min(max(x, radius), SIZE - radius)
    cy = min(max(y, radius), SIZE - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


DOTS = [((14.5, 16.5), (255, 59, 48)), ((14.5, 29.0), (255, 149, 0)), ((14.5, 41.5), (0, 122, 255))]
LINES = [(16.5), (29.0), (41.5)]


def colour_at(x, y):
    if not inside_rounded_square(x, y):
        return None
    for (cx, cy), rgb in DOTS:
        if (x - cx) ** 2 + (y - cy) ** 2 <= 4.5 ** 2:
            return rgb
    for ly in LINES:
        if 23.0 <= x <= 47.0 and abs(y - ly) <= 1.25:
            return (199, 199, 204)
    return (255, 255, 255)


def pixel(px, py):
    r = g = b = a = 0
    n = SAMPLES * SAMPLES
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            c = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
            if c:
                r, g, b, a = r + c[0], g + c[1], b + c[2], a + 1
    if a == 0:
        return (0, 0, 0, 0)
    return (round(r / a), round(g / a), round(b / a), round(255 * a / n))


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def main(path):
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(SIZE)) for y in range(SIZE))
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(rows, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "iconIOS7@2x.png")
