#!/usr/bin/env python3
"""Writes the demo game's .x models and their texture into a directory. Standard library
only; deterministic.

    python3 tools/make_demo_model.py OUTPUT_DIR

  ring.x      a torus (32 x 16 quads, written as four-corner faces) with normals and
              texture coordinates; material 0 is textured with ring.png, material 1 (the
              inner half of the tube) is plain gold
  ring_hot.x  the same torus in glowing red, shown while something touches the ring
  orb.x       a small sphere (16 x 12) in one untextured orange material
  floor.x     the ground: 12 x 40 units in 24 x 80 quads facing up, textured with the
              demo's image\\wood.png (repeated), so lights and shadows fall on it
  ring.png    128 x 64 texture: diagonal bands in two blues with white seams

Texture names inside the files are written as the game names them ("model\\ring.png"):
the engine resolves them from the game folder, not from the .x file's folder.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_notex import write_png  # noqa: E402


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def grid(columns, rows, point):
    """Vertices of a (columns + 1) x (rows + 1) parameter grid and its quads, each wound
    clockwise seen from outside (Direct3D's front side). `point(s, t)` gives the
    position, the outward normal and the texture coordinate for s, t in [0, 1]."""
    positions, normals, uvs = [], [], []
    for j in range(rows + 1):
        for i in range(columns + 1):
            p, n, uv = point(i / columns, j / rows)
            positions.append(p)
            normals.append(n)
            uvs.append(uv)
    quads = []
    width = columns + 1
    for j in range(rows):
        for i in range(columns):
            quad = [j * width + i, j * width + i + 1, (j + 1) * width + i + 1, (j + 1) * width + i]
            a, b, c = (positions[k] for k in quad[:3])
            face = cross(sub(b, a), sub(c, a))
            outward = [sum(normals[k][d] for k in quad) for d in range(3)]
            if dot(face, outward) < 0:
                quad.reverse()
            quads.append(quad)
    return positions, normals, uvs, quads


def number(value):
    text = "%.6f" % value
    return "0.000000" if text == "-0.000000" else text


def write_x(path, mesh, materials, material_of_quad):
    positions, normals, uvs, quads = mesh
    out = ["xof 0302txt 0032", "", "Frame Root {", "  FrameTransformMatrix {",
           "    1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;;", "  }",
           "  Mesh {", "    %d;" % len(positions)]
    for k, p in enumerate(positions):
        end = ";;" if k == len(positions) - 1 else ";,"
        out.append("    %s;%s;%s%s" % (number(p[0]), number(p[1]), number(p[2]), end))
    out.append("    %d;" % len(quads))
    for k, q in enumerate(quads):
        end = ";;" if k == len(quads) - 1 else ";,"
        out.append("    4;%d,%d,%d,%d%s" % (q[0], q[1], q[2], q[3], end))
    out += ["    MeshMaterialList {", "      %d;" % len(materials), "      %d;" % len(quads)]
    out.append("      " + ",".join(str(material_of_quad(k)) for k in range(len(quads))) + ";;")
    for diffuse, power, specular, emissive, texture in materials:
        out.append("      Material {")
        out.append("        %s;;" % ";".join(number(v) for v in diffuse))
        out.append("        %s;" % number(power))
        out.append("        %s;;" % ";".join(number(v) for v in specular))
        out.append("        %s;;" % ";".join(number(v) for v in emissive))
        if texture:
            out.append('        TextureFilename { "%s"; }' % texture.replace("\\", "\\\\"))
        out.append("      }")
    out.append("    }")
    out += ["    MeshNormals {", "      %d;" % len(normals)]
    for k, n in enumerate(normals):
        end = ";;" if k == len(normals) - 1 else ";,"
        out.append("      %s;%s;%s%s" % (number(n[0]), number(n[1]), number(n[2]), end))
    out.append("      %d;" % len(quads))
    for k, q in enumerate(quads):
        end = ";;" if k == len(quads) - 1 else ";,"
        out.append("      4;%d,%d,%d,%d%s" % (q[0], q[1], q[2], q[3], end))
    out.append("    }")
    out += ["    MeshTextureCoords {", "      %d;" % len(uvs)]
    for k, uv in enumerate(uvs):
        end = ";;" if k == len(uvs) - 1 else ";,"
        out.append("      %s;%s%s" % (number(uv[0]), number(uv[1]), end))
    out += ["    }", "  }", "}", ""]
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(out))


def torus(columns=32, rows=16, major=1.0, minor=0.35):
    def point(s, t):
        a, b = 2 * math.pi * s, 2 * math.pi * t
        n = (math.cos(b) * math.cos(a), math.sin(b), math.cos(b) * math.sin(a))
        ring = major + minor * math.cos(b)
        return (ring * math.cos(a), minor * math.sin(b), ring * math.sin(a)), n, (s * 4, t)
    return grid(columns, rows, point)


def sphere(columns=16, rows=12, radius=0.3):
    def point(s, t):
        a, b = 2 * math.pi * s, math.pi * t
        n = (math.sin(b) * math.cos(a), math.cos(b), math.sin(b) * math.sin(a))
        return (radius * n[0], radius * n[1], radius * n[2]), n, (s, t)
    return grid(columns, rows, point)


def floor(columns=24, rows=80, width=12.0, depth=40.0):
    def point(s, t):
        return ((s - 0.5) * width, 0.0, t * depth), (0.0, 1.0, 0.0), (s * 3, t * 10)
    return grid(columns, rows, point)


def texture():
    rows = []
    for y in range(64):
        row = []
        for x in range(128):
            band = ((x + y) // 16) % 2
            seam = (x + y) % 16 == 0
            if seam:
                row.append((245, 245, 255, 255))
            elif band:
                row.append((40, 110, 220, 255))
            else:
                row.append((90, 190, 250, 255))
        rows.append(row)
    return rows


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    ring = torus()
    rows = 16
    # The inner half of the tube (t between 1/4 and 3/4, cos b < 0) takes material 1.
    inner = lambda k: 1 if rows // 4 <= k // 32 < 3 * rows // 4 else 0  # noqa: E731
    white = (1.0, 1.0, 1.0, 1.0)
    gold = (1.0, 0.78, 0.3, 1.0)
    write_x(os.path.join(out, "ring.x"), ring,
            [(white, 20.0, (0.6, 0.6, 0.6), (0.0, 0.0, 0.0), "model\\ring.png"),
             (gold, 30.0, (0.8, 0.7, 0.4), (0.05, 0.03, 0.0), None)], inner)
    write_x(os.path.join(out, "ring_hot.x"), ring,
            [((1.0, 0.35, 0.3, 1.0), 20.0, (0.6, 0.6, 0.6), (0.5, 0.1, 0.05), "model\\ring.png"),
             ((1.0, 0.3, 0.2, 1.0), 30.0, (0.8, 0.7, 0.4), (0.6, 0.1, 0.0), None)], inner)
    write_x(os.path.join(out, "orb.x"), sphere(),
            [((1.0, 0.55, 0.1, 1.0), 40.0, (1.0, 1.0, 1.0), (0.25, 0.1, 0.0), None)],
            lambda k: 0)
    write_x(os.path.join(out, "floor.x"), floor(),
            [((1.0, 1.0, 1.0, 1.0), 0.0, (0.0, 0.0, 0.0), (0.0, 0.0, 0.0), "image\\wood.png")],
            lambda k: 0)
    write_png(os.path.join(out, "ring.png"), 128, 64, texture())


if __name__ == "__main__":
    main()
