#!/usr/bin/env python3
"""Draws the prescription emblem: a red crescent on white, 91 x 101 pixels, 8-bit indexed PNG.

The palette runs from white (0) to the crescent's red (255); each pixel's index is how much of
it the crescent covers, found by sampling it 4 x 4 times, so the edges are smooth.

    python3 make_emblem.py emblem.png
"""
import struct
import sys
import zlib

WIDTH, HEIGHT = 91, 101
RED = (200, 16, 46)
OUTER = (47.0, 50.5, 41.0)  # centre x, centre y, radius
INNER = (60.0, 50.5, 34.0)  # the disc cut out of the outer one; the horns open to the right
SAMPLES = 4


def inside(circle, x, y):
    cx, cy, r = circle
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def coverage(px, py):
    hits = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = px + (sx + 0.5) / SAMPLES
            y = py + (sy + 0.5) / SAMPLES
            if inside(OUTER, x, y) and not inside(INNER, x, y):
                hits += 1
    return round(255 * hits / (SAMPLES * SAMPLES))


def palette():
    entries = bytearray()
    for i in range(256):
        t = i / 255
        entries += bytes(round(255 + (c - 255) * t) for c in RED)
    return bytes(entries)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png():
    rows = bytearray()
    for y in range(HEIGHT):
        rows.append(0)  # no filter
        rows += bytes(coverage(x, y) for x in range(WIDTH))
    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 3, 0, 0, 0)  # 8 bits, palette
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"PLTE", palette())
            + chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    with open(sys.argv[1] if len(sys.argv) > 1 else "emblem.png", "wb") as out:
        out.write(png())
