#!/usr/bin/env python3
"""Writes cube_tzip_chained.x: test_cube_text.x compressed as MSZIP text ("tzip") in small
blocks, each deflated with the previous block's bytes as its dictionary, so the file only
reads back when a reader carries that dictionary over. Run from this folder."""
import struct
import zlib

BLOCK = 1024  # small, so the cube's repeated lines reach back across block boundaries

body = open("test_cube_text.x", "rb").read()[16:]
out = bytearray(b"xof 0303tzip0032" + struct.pack("<I", len(body) + 16))
blocks, prev = [], None
for start in range(0, len(body), BLOCK):
    chunk = body[start:start + BLOCK]
    if prev is None:
        packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    else:
        packer = zlib.compressobj(9, zlib.DEFLATED, -15, 9, zlib.Z_DEFAULT_STRATEGY, zdict=prev)
    packed = packer.compress(chunk) + packer.flush(zlib.Z_FINISH)
    out += struct.pack("<HH", len(chunk), len(packed) + 2) + b"CK" + packed
    blocks.append((chunk, packed))
    prev = chunk

# Proof the dictionary matters: some later block must not inflate on its own.
needs_dictionary = False
for chunk, packed in blocks[1:]:
    try:
        needs_dictionary |= zlib.decompressobj(-15).decompress(packed) != chunk
    except zlib.error:
        needs_dictionary = True
assert needs_dictionary, "no block refers back into its predecessor"
open("cube_tzip_chained.x", "wb").write(out)
print("cube_tzip_chained.x", len(out), "bytes,", len(blocks), "blocks")
