#!/usr/bin/env python3
"""Writes system/notex.lat: the texture a sprite shows before it is given an image.

A 64x64 PNG (the name has no image extension; the reader recognises PNG by content): a
magenta and black checkerboard of 8-pixel squares inside a 1-pixel white border, loud
enough that a missing image is noticed at once. Standard library only; deterministic.

    python3 tools/make_notex.py [output]    (default: system/notex.lat next to tools/)

`write_png` is shared with the other image generators in this folder.
"""
import os
import struct
import sys
import zlib

SIZE = 64
CELL = 8
MAGENTA = (255, 0, 255, 255)
BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)


def write_png(path, width, height, pixels):
    """Writes RGBA pixels (a list of rows, each a list of (r, g, b, a)) as an 8-bit PNG."""

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter: none
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
           chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as out:
        out.write(png)


def notex_pixels():
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            if x in (0, SIZE - 1) or y in (0, SIZE - 1):
                row.append(WHITE)
            elif (x // CELL + y // CELL) % 2 == 0:
                row.append(MAGENTA)
            else:
                row.append(BLACK)
        rows.append(row)
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "system",
                                                                 "notex.lat")
    write_png(target, SIZE, SIZE, notex_pixels())


if __name__ == "__main__":
    main()
