#!/usr/bin/env python3
"""Draws the pane's icon in the Settings app's list: 29 x 29 points, as
icon.png (scale 1), icon@2x.png (scale 2) and icon@3x.png (scale 3, the
iPhone 6 Plus and 6s Plus): an orange rounded square, as
the Settings app's own icons are, with three white dots and lines, a list of
reminders. Run once; the PNGs are committed.
Standard library only; the PNG writer is the package icon's."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "package"))
from make_icon import chunk, SAMPLES  # noqa: E402
import struct  # noqa: E402
import zlib  # noqa: E402

POINTS = 29.0
ORANGE = (255, 149, 0)
WHITE = (255, 255, 255)
ROWS = (8.5, 14.5, 20.5)  # points


def colour_at(x, y):
    """The colour at (x, y) in points, or None outside the rounded square."""
    radius = 6.5
    cx = min(max(x, radius), POINTS - radius)
    cy = min(max(y, radius), POINTS - radius)
    if (x - cx) ** 2 + (y - cy) ** 2 > radius ** 2:
        return None
    for row in ROWS:
        if (x - 8.0) ** 2 + (y - row) ** 2 <= 1.9 ** 2:
            return WHITE
        if 12.0 <= x <= 22.5 and abs(y - row) <= 0.75:
            return WHITE
    return ORANGE


def pixel(px, py, scale):
    r = g = b = a = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            c = colour_at((px + (sx + 0.5) / SAMPLES) / scale, (py + (sy + 0.5) / SAMPLES) / scale)
            if c:
                r, g, b, a = r + c[0], g + c[1], b + c[2], a + 1
    if a == 0:
        return (0, 0, 0, 0)
    return (round(r / a), round(g / a), round(b / a), round(255 * a / (SAMPLES * SAMPLES)))


def write(path, scale):
    size = int(POINTS * scale)
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y, scale)) for x in range(size)) for y in range(size))
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(rows, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    write(os.path.join(folder, "icon.png"), 1)
    write(os.path.join(folder, "icon@2x.png"), 2)
    write(os.path.join(folder, "icon@3x.png"), 3)
