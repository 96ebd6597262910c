#!/usr/bin/env python3
"""Writes a large UV sphere as DirectX .x files in every encoding the mesh loader reads, for
the load benchmarks (bench/xfile_bench.cpp and the assimp comparison).

The sphere has STACKS x SLICES quads (two triangles each) over (STACKS+1) x (SLICES+1)
vertices, with normals, texture coordinates and three materials in latitude bands (the first
names a texture, sphere.png, which is never read). The defaults, 250 x 400, give 100,651
vertices and 200,000 triangles: more than 16-bit indices address, so only the parse can be
timed on it; `160 400` gives 64,561 vertices and 128,000 triangles, which the whole load
takes.

Files written to OUTDIR:
  big_text.x          text, 32-bit floats
  big_bin32.x         binary, 32-bit floats
  big_bin64.x         binary, 64-bit floats
  big_tzip.x          MSZIP-compressed text, each block using the previous one as dictionary
  big_bzip.x          MSZIP-compressed binary, likewise
  big_tzip_nodict.x   MSZIP-compressed text, every block on its own
  big_bzip_nodict.x   MSZIP-compressed binary, every block on its own

usage: make_big_sphere_x.py OUTDIR [STACKS SLICES]
"""
import math
import os
import struct
import sys
import zlib

RADIUS = 10.0
BLOCK = 32768  # the most uncompressed bytes one MSZIP block may hold


class Sphere:
    """The geometry, computed once and written in every encoding."""

    def __init__(self, stacks, slices):
        self.positions, self.normals, self.texcoords = [], [], []
        for row in range(stacks + 1):
            polar = math.pi * row / stacks
            ring, height = math.sin(polar), math.cos(polar)
            for column in range(slices + 1):
                azimuth = 2.0 * math.pi * column / slices
                normal = (ring * math.cos(azimuth), height, ring * math.sin(azimuth))
                self.normals.append(normal)
                self.positions.append(tuple(RADIUS * c for c in normal))
                self.texcoords.append((column / slices, row / stacks))
        self.triangles = []
        stride = slices + 1
        for row in range(stacks):
            top, bottom = row * stride, (row + 1) * stride
            for column in range(slices):
                self.triangles.append((top + column, top + column + 1, bottom + column))
                self.triangles.append((top + column + 1, bottom + column + 1, bottom + column))
        count = len(self.triangles)
        # Three latitude bands of (nearly) equal triangle counts.
        self.face_materials = [min(2, 3 * face // count) for face in range(count)]

    materials = [
        # name, diffuse RGBA, power, specular RGB, emissive RGB, texture
        ("Band0", (1.0, 1.0, 1.0, 1.0), 10.0, (0.5, 0.5, 0.5), (0.0, 0.0, 0.0), "sphere.png"),
        ("Band1", (0.8, 0.2, 0.2, 1.0), 20.0, (0.3, 0.3, 0.3), (0.0, 0.0, 0.0), None),
        ("Band2", (0.2, 0.2, 0.8, 1.0), 30.0, (0.1, 0.1, 0.1), (0.0, 0.0, 0.0), None),
    ]
    identity = (1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0)


def number(value):
    return "%f" % value


def text_list(items, indent, form):
    """Members of an array: each item's fields end in ';', items are separated by ',' and
    the array ends in ';'."""
    return ",\n".join(indent + form(item) for item in items) + ";\n"


def text_body(sphere):
    faces = text_list(sphere.triangles, "  ", lambda t: "3;%d,%d,%d;" % t)
    vector = lambda v: ";".join(number(c) for c in v) + ";"
    parts = ["\n"]  # exporters end the header line with a line break
    for name, diffuse, power, specular, emissive, texture in sphere.materials:
        parts.append("Material %s {\n" % name)
        for group in (diffuse, (power,), specular, emissive):
            parts.append(" " + ";".join(number(c) for c in group) + (";;\n" if len(group) > 1 else ";\n"))
        if texture:
            parts.append(' TextureFilename {\n  "%s";\n }\n' % texture)
        parts.append("}\n\n")
    parts.append("Frame Sphere {\n FrameTransformMatrix {\n  %s;;\n }\n"
                 % ",".join(number(c) for c in sphere.identity))
    parts.append(" Mesh SphereMesh {\n  %d;\n" % len(sphere.positions))
    parts.append(text_list(sphere.positions, "  ", vector))
    parts.append("  %d;\n" % len(sphere.triangles))
    parts.append(faces)
    parts.append("  MeshNormals {\n   %d;\n" % len(sphere.normals))
    parts.append(text_list(sphere.normals, "   ", vector))
    parts.append("   %d;\n" % len(sphere.triangles))
    parts.append(faces)
    parts.append("  }\n  MeshTextureCoords {\n   %d;\n" % len(sphere.texcoords))
    parts.append(text_list(sphere.texcoords, "   ", vector))
    parts.append("  }\n  MeshMaterialList {\n   %d;\n   %d;\n"
                 % (len(sphere.materials), len(sphere.triangles)))
    parts.append(text_list(sphere.face_materials, "   ", str))
    for material in sphere.materials:
        parts.append("   {%s}\n" % material[0])
    parts.append("  }\n }\n}\n")
    return "".join(parts).encode("ascii")


class BinaryWriter:
    """The binary encoding's token stream (little-endian 16-bit token numbers)."""
    NAME, STRING, INTEGER_LIST, FLOAT_LIST = 1, 2, 6, 7
    OPEN_BRACE, CLOSE_BRACE, SEMICOLON = 10, 11, 20

    def __init__(self, float_size):
        self.out = bytearray()
        self.float_code = "d" if float_size == 8 else "f"

    def token(self, code):
        self.out += struct.pack("<H", code)

    def name(self, text):
        self.out += struct.pack("<HI", self.NAME, len(text)) + text.encode("ascii")

    def string(self, text):
        self.out += struct.pack("<HI", self.STRING, len(text)) + text.encode("ascii")
        self.token(self.SEMICOLON)

    def integers(self, values):
        self.out += struct.pack("<HI%dI" % len(values), self.INTEGER_LIST, len(values), *values)

    def floats(self, values):
        self.out += struct.pack("<HI%d%s" % (len(values), self.float_code), self.FLOAT_LIST,
                                len(values), *values)

    def begin(self, *names):
        for text in names:
            self.name(text)
        self.token(self.OPEN_BRACE)

    def end(self):
        self.token(self.CLOSE_BRACE)


def binary_body(sphere, float_size):
    w = BinaryWriter(float_size)
    for name, diffuse, power, specular, emissive, texture in sphere.materials:
        w.begin("Material", name)
        w.floats(list(diffuse) + [power] + list(specular) + list(emissive))
        if texture:
            w.begin("TextureFilename")
            w.string(texture)
            w.end()
        w.end()
    flat = lambda rows: [c for row in rows for c in row]
    faces = [len(sphere.triangles)] + flat((3,) + t for t in sphere.triangles)
    w.begin("Frame", "Sphere")
    w.begin("FrameTransformMatrix")
    w.floats(sphere.identity)
    w.end()
    w.begin("Mesh", "SphereMesh")
    w.integers([len(sphere.positions)])
    w.floats(flat(sphere.positions))
    w.integers(faces)
    w.begin("MeshNormals")
    w.integers([len(sphere.normals)])
    w.floats(flat(sphere.normals))
    w.integers(faces)
    w.end()
    w.begin("MeshTextureCoords")
    w.integers([len(sphere.texcoords)])
    w.floats(flat(sphere.texcoords))
    w.end()
    w.begin("MeshMaterialList")
    w.integers([len(sphere.materials), len(sphere.triangles)] + sphere.face_materials)
    for material in sphere.materials:
        w.token(w.OPEN_BRACE)
        w.name(material[0])
        w.end()
    w.end()  # MeshMaterialList
    w.end()  # Mesh
    w.end()  # Frame
    return bytes(w.out)


def compress(header, body, chained):
    """MSZIP: the uncompressed size (header included), then blocks of at most 32 KiB, each
    a raw deflate stream after its two sizes and the 'CK' signature."""
    out = bytearray(header) + struct.pack("<I", len(header) + len(body))
    dictionary = None
    for start in range(0, len(body), BLOCK):
        chunk = body[start:start + BLOCK]
        options = {"zdict": dictionary} if chained and dictionary else {}
        packer = zlib.compressobj(9, zlib.DEFLATED, -15, 9, zlib.Z_DEFAULT_STRATEGY, **options)
        packed = b"CK" + packer.compress(chunk) + packer.flush()
        out += struct.pack("<HH", len(chunk), len(packed)) + packed
        dictionary = chunk
    return bytes(out)


def main():
    if len(sys.argv) not in (2, 4):
        sys.exit(__doc__.strip().splitlines()[-1])
    out_dir = sys.argv[1]
    stacks, slices = (int(sys.argv[2]), int(sys.argv[3])) if len(sys.argv) == 4 else (250, 400)
    os.makedirs(out_dir, exist_ok=True)
    sphere = Sphere(stacks, slices)
    text = text_body(sphere)
    binary32 = binary_body(sphere, 4)
    files = {
        "big_text.x": b"xof 0303txt 0032" + text,
        "big_bin32.x": b"xof 0303bin 0032" + binary32,
        "big_bin64.x": b"xof 0303bin 0064" + binary_body(sphere, 8),
        "big_tzip.x": compress(b"xof 0303tzip0032", text, True),
        "big_bzip.x": compress(b"xof 0303bzip0032", binary32, True),
        "big_tzip_nodict.x": compress(b"xof 0303tzip0032", text, False),
        "big_bzip_nodict.x": compress(b"xof 0303bzip0032", binary32, False),
    }
    print("make_big_sphere_x: %d vertices, %d triangles"
          % (len(sphere.positions), len(sphere.triangles)), file=sys.stderr)
    for name, data in files.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)
        print("  %-18s %10d bytes" % (name, len(data)), file=sys.stderr)


if __name__ == "__main__":
    main()
