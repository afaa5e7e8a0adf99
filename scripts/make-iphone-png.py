#!/usr/bin/env python3
"""Rewrites an ordinary 8-bit RGB or RGBA PNG (non-interlaced) in the
iPhone-optimised form the device's build tools write: a CgBI chunk first,
image data as raw deflate without the zlib header, pixels in BGRA order and
premultiplied by alpha.

    scripts/make-iphone-png.py IN.png OUT.png
"""
import struct
import sys
import zlib


def chunks(data):
    at = 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        yield kind, data[at + 8:at + 8 + length]
        at += 12 + length


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def unfilter(raw, width, height, channels):
    stride = width * channels
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up, corner = previous[i], previous[i - channels] if i >= channels else 0
            if kind == 1: line[i] = (line[i] + left) & 255
            elif kind == 2: line[i] = (line[i] + up) & 255
            elif kind == 3: line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(line)
        previous = line
    return rows


def main(source, target):
    data = open(source, "rb").read()
    header = dict(chunks(data))[b"IHDR"]
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", header)
    if depth != 8 or colour not in (2, 6) or interlace:
        sys.exit("only 8-bit RGB or RGBA, non-interlaced")
    channels = 4 if colour == 6 else 3
    raw = zlib.decompress(b"".join(body for kind, body in chunks(data) if kind == b"IDAT"))
    out = bytearray()
    for line in unfilter(raw, width, height, channels):
        out.append(0)
        for x in range(width):
            r, g, b = line[x * channels:x * channels + 3]
            a = line[x * channels + 3] if channels == 4 else 255
            out += bytes(((b * a + 127) // 255, (g * a + 127) // 255, (r * a + 127) // 255, a))
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    image = packer.compress(bytes(out)) + packer.flush()
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"CgBI", b"\x00\x00\x00\x00") + chunk(b"IHDR", ihdr)
    png += chunk(b"IDAT", image) + chunk(b"IEND", b"")
    open(target, "wb").write(png)


if __name__ == "__main__":
    main(*sys.argv[1:3])
