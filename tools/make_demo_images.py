#!/usr/bin/env python3
"""Writes the demo game's images into a directory. Standard library only; deterministic.

    python3 tools/make_demo_images.py OUTPUT_DIR

  sheet.png  256x128 sprite sheet, 4x2 cells of 64x64 on a transparent background: a ball
             whose colour turns through the hues, with a marker going round it and the
             frame's number (1 to 8) in block digits, for an animation
  spark.png  32x32 soft white glow fading out in alpha, for additive sprites
  wood.png   128x128 wooden planks with grain and dark seams
  tree.png   64x128 billboard tree: trunk and layered foliage on a transparent background
  ball.png   32x32 shaded red ball with a soft edge in alpha
"""
import colorsys
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_notex import write_png  # noqa: E402

CLEAR = (0, 0, 0, 0)

# 3x5 block digits, one string of rows per digit.
DIGITS = {
    1: ("010", "110", "010", "010", "111"),
    2: ("111", "001", "111", "100", "111"),
    3: ("111", "001", "111", "001", "111"),
    4: ("101", "101", "111", "001", "001"),
    5: ("111", "100", "111", "001", "111"),
    6: ("111", "100", "111", "101", "111"),
    7: ("111", "001", "010", "010", "010"),
    8: ("111", "101", "111", "101", "111"),
}


def blank(width, height):
    return [[CLEAR] * width for _ in range(height)]


def coverage(inside, x, y, samples=4):
    """Share of pixel (x, y) for which inside(px, py) holds, from samples x samples points."""
    hits = 0
    for sy in range(samples):
        for sx in range(samples):
            if inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def over(dst, colour, alpha):
    """Source-over blend of an RGB colour with the given alpha onto an RGBA pixel."""
    if alpha <= 0:
        return dst
    r, g, b, a = dst
    da = a / 255.0
    out_a = alpha + da * (1 - alpha)
    mix = [(c * alpha + d * da * (1 - alpha)) / out_a for c, d in zip(colour, (r, g, b))]
    return (round(mix[0]), round(mix[1]), round(mix[2]), round(out_a * 255))


def paint(image, x0, y0, width, height, inside, colour):
    for y in range(y0, y0 + height):
        for x in range(x0, x0 + width):
            share = coverage(inside, x, y)
            if share:
                image[y][x] = over(image[y][x], colour, share)


def shade(colour, factor):
    return tuple(max(0, min(255, round(c * factor))) for c in colour)


def sheet():
    image = blank(256, 128)
    for frame in range(8):
        left, top = (frame % 4) * 64, (frame // 4) * 64
        cx, cy = left + 32, top + 32
        hue = frame / 8.0
        colour = tuple(round(c * 255) for c in colorsys.hsv_to_rgb(hue, 0.75, 1.0))
        paint(image, left, top, 64, 64,
              lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= 26 ** 2, shade(colour, 0.55))
        paint(image, left, top, 64, 64,
              lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= 23 ** 2, colour)
        angle = frame * math.pi / 4
        mx, my = cx + 19 * math.sin(angle), cy - 19 * math.cos(angle)
        paint(image, left, top, 64, 64,
              lambda x, y: (x - mx) ** 2 + (y - my) ** 2 <= 4 ** 2, (255, 255, 255))
        # The frame's number, 3x5 blocks of 4 pixels, centred.
        rows = DIGITS[frame + 1]
        for row, bits in enumerate(rows):
            for column, bit in enumerate(bits):
                if bit == "1":
                    bx, by = cx - 6 + column * 4, cy - 10 + row * 4
                    for y in range(by, by + 4):
                        for x in range(bx, bx + 4):
                            image[y][x] = (20, 20, 40, 255)
    return image


def spark():
    image = blank(32, 32)
    for y in range(32):
        for x in range(32):
            distance = math.hypot(x + 0.5 - 16, y + 0.5 - 16) / 16
            alpha = max(0.0, 1.0 - distance * distance) ** 2
            image[y][x] = (255, 255, 255, round(alpha * 255))
    return image


def wood():
    image = blank(128, 128)
    base = [(150, 98, 52), (138, 88, 46), (160, 106, 58), (145, 94, 50)]
    for y in range(128):
        plank = y // 32
        for x in range(128):
            if y % 32 in (0, 31):
                image[y][x] = (70, 42, 20, 255)
                continue
            # Butt joints, staggered from plank to plank.
            if (x + plank * 45) % 128 in (0, 1):
                image[y][x] = (80, 48, 24, 255)
                continue
            grain = math.sin(y * 0.9 + plank * 2.1 + 2.5 * math.sin(x * 0.045 + plank)) * 0.5 + 0.5
            streak = math.sin(x * 0.21 + y * 0.05 + plank * 7) * 0.5 + 0.5
            factor = 0.82 + 0.22 * grain + 0.06 * streak
            r, g, b = shade(base[plank], factor)
            image[y][x] = (r, g, b, 255)
    return image


def tree():
    image = blank(64, 128)
    paint(image, 0, 0, 64, 128, lambda x, y: 27 <= x <= 37 and 88 <= y <= 126, (110, 70, 35))
    paint(image, 0, 0, 64, 128, lambda x, y: 27 <= x <= 30 and 88 <= y <= 126, (85, 52, 25))
    layers = [(92, 30, 28, (30, 110, 40)), (68, 26, 24, (40, 130, 50)),
              (46, 21, 21, (55, 150, 60)), (26, 15, 17, (75, 170, 75))]
    for base_y, half_width, height, colour in layers:
        def inside(x, y, base_y=base_y, half_width=half_width, height=height):
            if y > base_y or y < base_y - height:
                return False
            return abs(x - 32) <= half_width * (y - (base_y - height)) / height
        paint(image, 0, 0, 64, 128, inside, colour)
    return image


def ball():
    image = blank(32, 32)
    light = (-0.45, -0.55, 0.70)
    for y in range(32):
        for x in range(32):
            share = coverage(lambda px, py: (px - 16) ** 2 + (py - 16) ** 2 <= 15 ** 2, x, y)
            if not share:
                continue
            nx, ny = (x + 0.5 - 16) / 15, (y + 0.5 - 16) / 15
            nz = math.sqrt(max(0.0, 1 - nx * nx - ny * ny))
            diffuse = max(0.0, nx * light[0] + ny * light[1] + nz * light[2])
            highlight = diffuse ** 24
            r = min(255, round(60 + 180 * diffuse + 120 * highlight))
            g = min(255, round(10 + 30 * diffuse + 200 * highlight))
            b = min(255, round(10 + 30 * diffuse + 200 * highlight))
            image[y][x] = (r, g, b, round(share * 255))
    return image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_demo_images.py OUTPUT_DIR")
    target = sys.argv[1]
    os.makedirs(target, exist_ok=True)
    for name, make in (("sheet.png", sheet), ("spark.png", spark), ("wood.png", wood),
                       ("tree.png", tree), ("ball.png", ball)):
        pixels = make()
        write_png(os.path.join(target, name), len(pixels[0]), len(pixels), pixels)


if __name__ == "__main__":
    main()
