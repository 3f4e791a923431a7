#!/usr/bin/env python3
"""Writes the seed inputs of the BMP and PNG fuzz targets into the folders beside this script."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def bmp(width, height, pixel_bytes, offset=54):
    """A 24-bit BMP whose pixels alternate colour and mask halves row by row."""
    header = struct.pack("<2sIHHI", b"BM", offset + pixel_bytes, 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, pixel_bytes, 0, 0, 0, 0)
    gap = bytes(offset - 54)
    pixels = bytes((i * 37 + (i // 7) * 200) & 0xFF for i in range(pixel_bytes))
    return header + info + gap + pixels


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def png(width, height, colour_type, depth, raw_rows, gamma=45455, palette=None, trns=None, interlace=0):
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, interlace))
    if gamma is not None:
        data += chunk(b"gAMA", struct.pack(">I", gamma))
    if palette is not None:
        data += chunk(b"PLTE", bytes(palette))
    if trns is not None:
        data += chunk(b"tRNS", bytes(trns))
    data += chunk(b"IDAT", zlib.compress(b"".join(b"\x00" + row for row in raw_rows)))
    data += chunk(b"IEND", b"")
    return data


def main():
    # The first byte chooses the byte count: 0 the button parts, 1 the wait icon, 2 the declared size.
    write("bmp_reader_fuzz", "waiticon", b"\x01" + bmp(64, 64, 12288))
    write("bmp_reader_fuzz", "declared_6x2", b"\x02" + bmp(6, 2, 40))
    write("bmp_reader_fuzz", "odd_5x3_gap", b"\x02" + bmp(5, 3, 48, offset=62))
    write("bmp_reader_fuzz", "smaller_than_count", b"\x01" + bmp(10, 4, 12288))
    write("bmp_reader_fuzz", "no_rows", b"\x02" + bmp(8, -4, 8))

    rgb = [bytes((x * 30 + y * 5 + c * 80) & 0xFF for x in range(8) for c in range(3)) for y in range(6)]
    write("png_loader_fuzz", "rgb_8x6", png(8, 6, 2, 8, rgb))
    write("png_loader_fuzz", "rgb_no_gamma", png(8, 6, 2, 8, rgb, gamma=None))
    palette = [10, 20, 30, 40, 50, 60, 70, 80, 90, 200, 100, 0]
    write("png_loader_fuzz", "palette_4bit",
          png(6, 2, 3, 4, [bytes([0x01, 0x23, 0x10]), bytes([0x32, 0x10, 0x23])], palette=palette, trns=[0, 128]))
    write("png_loader_fuzz", "grey_alpha_16", png(2, 2, 4, 16, [bytes(range(8)), bytes(range(100, 108))]))
    rgba = [bytes((x * 40 + y * 3 + c * 50) & 0xFF for x in range(5) for c in range(4)) for y in range(5)]
    write("png_loader_fuzz", "rgba_5x5", png(5, 5, 6, 8, rgba))
    write("png_loader_fuzz", "grey_1bit", png(16, 2, 0, 1, [b"\xa5\x0f", b"\xff\x00"]))


if __name__ == "__main__":
    main()
