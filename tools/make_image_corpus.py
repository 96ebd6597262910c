#!/usr/bin/env python3
"""Writes the corpus of image files the image fuzz target replays in the tests.

A few valid files (seeds for fuzzing and proof that reading still works) and many
damaged ones: cut short, lying about their size, claiming absurd sizes, layouts we refuse.
Every file is small. Standard library only; deterministic.

    python3 tools/make_image_corpus.py [directory]   (default: tests/fuzz/corpus/image)

The replay test expects "N of M files read" where N counts the files named valid_*.
Inputs that once broke a reader under the fuzzer are kept beside these as crash_*; this
script leaves them alone.
"""
import os
import random
import struct
import sys
import zlib




def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, raw, colour_type=6, depth=8, idat=None):
    header = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0)
    data = zlib.compress(raw, 9) if idat is None else idat
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", data) +
            png_chunk(b"IEND", b""))


def rgba_rows(width, height):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw += bytes((x * 40 % 256, y * 40 % 256, 128, 255 - x * 10))
    return bytes(raw)


def dds(width, height, mips=0, flags=0x4, fourcc=b"DXT1", bits=0, masks=(0, 0, 0, 0),
        caps2=0, header_size=124, depth=0, extra_flags=0):
    head = b"DDS " + struct.pack("<7I", header_size,
                                 0x100F | (0x20000 if mips else 0) | extra_flags,
                                 height, width, 0, depth, mips)
    head += b"\0" * 44
    head += struct.pack("<2I", 32, flags) + (fourcc or b"\0\0\0\0")
    head += struct.pack("<5I", bits, *masks)
    head += struct.pack("<5I", 0x1000, caps2, 0, 0, 0)
    return head


def dxt1_block(c0=0xF800, c1=0x001F, indices=0xE4E4E4E4):
    return struct.pack("<HHI", c0, c1, indices)


def bmp(width, height, pixels=None, bits=24, offset=54):
    row = (width * bits // 8 + 3) & ~3
    data = pixels if pixels is not None else bytes(row * abs(height))
    return (b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, offset) +
            struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 0, 0, 0, 0) +
            data)


def tga(width, height, pixels, image_type=2, bits=32):
    return struct.pack("<BBBHHBHHHHBB", 0, 0, image_type, 0, 0, 0, 0, 0, width, height, bits,
                       0x28) + pixels


def gif(width, height, frame_width, frame_height, lzw, min_code=2):
    head = b"GIF89a" + struct.pack("<HHBBB", width, height, 0xF1, 0, 0)
    head += bytes((255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255))
    frame = b"\x2C" + struct.pack("<HHHHB", 0, 0, frame_width, frame_height, 0)
    frame += bytes((min_code, len(lzw))) + lzw + b"\0"
    return head + frame + b"\x3B"


def gif_codes(codes, bits=3):
    value = 0
    for i, code in enumerate(codes):
        value |= code << (bits * i)
    length = (bits * len(codes) + 7) // 8
    return value.to_bytes(length, "little")


def psd(width, height, channels, planes, depth=8, mode=3, compression=0):
    return (b"8BPS" + struct.pack(">H6xHIIHH", 1, channels, height, width, depth, mode) +
            struct.pack(">IIIH", 0, 0, 0, compression) + planes)


def jpeg_sof(width, height):
    sof = struct.pack(">BHHBBBB", 8, height, width, 1, 1, 0x11, 0)
    return b"\xFF\xD8" + b"\xFF\xC0" + struct.pack(">H", len(sof) + 2) + sof + b"\xFF\xD9"


def corpus():
    files = {}
    # Valid seeds.
    files["valid_rgba.png"] = png(4, 3, rgba_rows(4, 3))
    files["valid_grey16.png"] = png(2, 2, b"\0\x12\x34\xFF\xFF\0\0\0\x80\x00", colour_type=0,
                                    depth=16)
    files["valid_dxt1.dds"] = dds(4, 4) + dxt1_block()
    files["valid_dxt5_mips.dds"] = dds(8, 8, mips=4, fourcc=b"DXT5") + (
        b"\xFF\x00\x88\x88\x88\x88\x88\x88" + dxt1_block()) * 7
    files["valid_argb.dds"] = dds(2, 2, flags=0x41, fourcc=None, bits=32,
                                  masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000)) + bytes(range(16))
    files["valid_rgb.dds"] = dds(3, 1, flags=0x40, fourcc=None, bits=24,
                                 masks=(0xFF0000, 0xFF00, 0xFF, 0)) + bytes(range(9))
    files["valid.bmp"] = bmp(2, 2, bytes((0, 0, 255, 0, 255, 0, 0, 0) * 2))
    files["valid.tga"] = tga(2, 1, bytes((1, 2, 3, 4, 5, 6, 7, 8)))
    files["valid.gif"] = gif(2, 2, 2, 2, gif_codes([4, 0, 1, 4, 2, 3, 5]))
    files["valid.psd"] = psd(2, 1, 3, bytes(range(6)))
    files["valid.ppm"] = b"P6\n2 1\n255\n" + bytes(range(6))
    files["valid.hdr"] = b"#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 2\n" + bytes(
        (128, 128, 128, 128, 255, 0, 0, 129))

    # Damaged PNG.
    good_png = files["valid_rgba.png"]
    files["png_cut.png"] = good_png[:len(good_png) // 2]
    files["png_signature_only.png"] = good_png[:8]
    files["png_huge.png"] = png(100000, 100000, b"")
    files["png_zero_width.png"] = png(0, 4, rgba_rows(0, 4))
    files["png_claims_16000.png"] = png(16000, 16000, rgba_rows(4, 3))
    files["png_bad_zlib.png"] = png(4, 3, b"", idat=b"\x78\x9C\xFF\xFF\xFF\xFF")
    files["png_too_much_data.png"] = png(2, 2, bytes(1 << 20))
    files["png_bad_depth.png"] = png(4, 3, rgba_rows(4, 3), depth=7)
    files["png_bad_colour_type.png"] = png(4, 3, rgba_rows(4, 3), colour_type=5)
    files["png_palette_without_plte.png"] = png(4, 3, bytes(4 * 3 + 3), colour_type=3)

    # Damaged DDS.
    good_dds = files["valid_dxt5_mips.dds"]
    files["dds_cut_level.dds"] = good_dds[:-5]
    files["dds_header_only.dds"] = good_dds[:128]
    files["dds_header_cut.dds"] = good_dds[:60]
    files["dds_magic_only.dds"] = b"DDS "
    files["dds_huge.dds"] = dds(20000, 20000) + dxt1_block()
    files["dds_max_side_no_data.dds"] = dds(16384, 16384) + dxt1_block()
    files["dds_zero.dds"] = dds(0, 0) + dxt1_block()
    files["dds_cube.dds"] = dds(4, 4, caps2=0xFE00) + dxt1_block() * 6
    files["dds_volume.dds"] = dds(4, 4, caps2=0x200000, depth=2, extra_flags=0x800000) + \
        dxt1_block() * 2
    files["dds_too_many_mips.dds"] = dds(4, 4, mips=9) + dxt1_block() * 9
    files["dds_all_mips_4g.dds"] = dds(4, 4, mips=0xFFFFFFFF) + dxt1_block()
    files["dds_dx10.dds"] = dds(4, 4, fourcc=b"DX10") + bytes(20) + dxt1_block()
    files["dds_unknown_fourcc.dds"] = dds(4, 4, fourcc=b"ATI2") + bytes(16)
    files["dds_d3dformat_number.dds"] = dds(4, 4, fourcc=struct.pack("<I", 113)) + bytes(128)
    files["dds_mask_outside.dds"] = dds(1, 1, flags=0x40, fourcc=None, bits=16,
                                        masks=(0xFF0000, 0xFF00, 0xFF, 0)) + bytes(2)
    files["dds_no_masks.dds"] = dds(1, 1, flags=0x40, fourcc=None, bits=32) + bytes(4)
    files["dds_odd_bits.dds"] = dds(1, 1, flags=0x40, fourcc=None, bits=12,
                                    masks=(0xF00, 0xF0, 0xF, 0)) + bytes(2)
    files["dds_bad_header_size.dds"] = dds(4, 4, header_size=100) + dxt1_block()
    files["dds_no_format.dds"] = dds(4, 4, flags=0) + dxt1_block()

    # Damaged BMP, TGA, GIF, PSD, PNM, HDR, JPEG.
    files["bmp_huge.bmp"] = bmp(40000, 40000, b"")
    files["bmp_cut.bmp"] = bmp(8, 8)[:54 + 40]
    files["bmp_negative_height_cut.bmp"] = bmp(8, -8)[:60]
    files["bmp_offset_beyond.bmp"] = bmp(2, 2, bytes(16), offset=0x7FFFFFF0)
    files["bmp_bits_7.bmp"] = bmp(2, 2, bytes(16), bits=7)
    files["tga_cut.tga"] = tga(16, 16, bytes(40))
    files["tga_huge.tga"] = tga(65535, 65535, bytes(8))
    files["tga_rle_cut.tga"] = tga(16, 16, b"\xFF\x01\x02\x03\x04", image_type=10)
    files["gif_header_only.gif"] = b"GIF89a"
    files["gif_cut_lzw.gif"] = gif(4, 4, 4, 4, gif_codes([4, 0, 1]))[:-4]
    files["gif_frame_outside.gif"] = gif(2, 2, 200, 200, gif_codes([4, 0, 1, 5]))
    files["gif_huge_canvas.gif"] = gif(16384, 16384, 1, 1, gif_codes([4, 0, 5]))
    files["gif_bad_code.gif"] = gif(2, 2, 2, 2, gif_codes([4, 7, 7, 7, 5]))
    files["psd_cut.psd"] = psd(16, 16, 4, bytes(10))
    files["psd_huge.psd"] = psd(30000, 30000, 3, bytes(10))
    files["psd_bad_channels.psd"] = psd(2, 2, 77, bytes(8))
    files["psd_rle_cut.psd"] = psd(4, 4, 3, bytes(6), compression=1)
    files["pnm_cut.ppm"] = b"P6\n8 8\n255\n" + bytes(20)
    files["pnm_huge.ppm"] = b"P6\n99999999 99999999\n255\n" + bytes(6)
    files["pnm_no_size.pgm"] = b"P5\n"
    files["hdr_no_size.hdr"] = b"#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n"
    files["hdr_huge.hdr"] = b"#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 99999 +X 99999\n" + \
        bytes(16)
    files["hdr_rle_cut.hdr"] = b"#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 4 +X 16\n" + \
        bytes((2, 2, 0, 16, 0x85))
    files["jpeg_soi_only.jpg"] = b"\xFF\xD8"
    files["jpeg_sof_no_tables.jpg"] = jpeg_sof(16, 16)
    files["jpeg_sof_max_side.jpg"] = jpeg_sof(16384, 16384)
    files["jpeg_sof_zero.jpg"] = jpeg_sof(0, 0)

    # Not images at all.
    files["empty.png"] = b""
    files["text.png"] = b"this is not an image\n"
    rng = random.Random(20240601)
    files["random.bin"] = bytes(rng.randrange(256) for _ in range(600))
    return files


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "tests", "fuzz",
                                                                 "corpus", "image")
    os.makedirs(target, exist_ok=True)
    files = corpus()
    for name, data in sorted(files.items()):
        with open(os.path.join(target, name), "wb") as out:
            out.write(data)
    valid = sum(1 for name in files if name.startswith("valid"))
    print("%d files, %d valid" % (len(files), valid))


if __name__ == "__main__":
    main()
