#!/usr/bin/env python3
"""Writes the sprite benchmark's textures: disc<N>.png, a white disc with a grey bar
across it (so rotation shows) on a transparent background, for each size given.

usage: make_bench_images.py OUT_DIR SIZE...
"""
import os
import struct
import sys
import zlib


def png(path, width, height, rgba_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + bytes(row) for row in rgba_rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def disc(size):
    c = (size - 1) / 2 or 0.5
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            dx, dy = (x - c) / c, (y - c) / c
            if dx * dx + dy * dy > 1:
                row += [0, 0, 0, 0]
            else:
                v = 128 if abs(dy) < 0.2 else 255
                row += [v, v, v, 255]
        rows.append(row)
    return rows


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for size in map(int, sys.argv[2:]):
        png(os.path.join(out, "disc%d.png" % size), size, size, disc(size))


if __name__ == "__main__":
    main()
