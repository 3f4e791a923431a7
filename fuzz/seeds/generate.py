#!/usr/bin/env python3
"""Writes the seed inputs of the BMP, PNG, WAV and movie fuzz targets into the folders beside this script."""
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
    # The shapes of the hostile files: compressed text, a colour profile and an unknown chunk before
    # the pixels (the loader skips them all unread).
    ancillary = (chunk(b"zTXt", b"Comment\x00\x00" + zlib.compress(b"\x00" * (1 << 20), 9))
                 + chunk(b"iCCP", b"icc\x00\x00" + zlib.compress(b"\x00" * 4096))
                 + chunk(b"tEXt", b"Title\x00hostile") + chunk(b"zzZz", b"\x00" * 64))
    plain = png(8, 6, 2, 8, rgb)
    write("png_loader_fuzz", "ancillary_chunks", plain[:33] + ancillary + plain[33:])
    # WAV files beyond the formats titles use (refused), and the edges that are accepted.
    for name, rate, channels, bits in (("three_channels.wav", 44100, 3, 16), ("deep_24bit.wav", 44100, 2, 24),
                                       ("rate_96k.wav", 96000, 1, 16), ("edge_8k_8bit.wav", 8000, 1, 8),
                                       ("edge_48k.wav", 48000, 2, 16)):
        data = bytes((i * 37) & 0xFF for i in range(channels * bits // 8 * 64))
        header = (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt "
                  + struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * channels * bits // 8, channels * bits // 8, bits)
                  + b"data" + struct.pack("<I", len(data)))
        write("wav_file_fuzz", name, header + data)
        write("ogg_streamer_fuzz", name, header + data)
    # A Matroska movie whose two tracks carry 9 MB of zlib-compressed codec header each.
    def ebml(ident, body):
        return ident + b"\x01" + len(body).to_bytes(7, "big") + body

    def uint(ident, v):
        return ebml(ident, v.to_bytes(8, "big"))

    private = zlib.compress(b"\x00" * (9 << 20), 9)
    tracks = b"".join(
        ebml(b"\xAE", uint(b"\xD7", n) + uint(b"\x73\xC5", n) + uint(b"\x83", 1) + ebml(b"\x86", b"V_MPEG4/ISO/AVC")
             + ebml(b"\xE0", uint(b"\xB0", 64) + uint(b"\xBA", 48))
             + ebml(b"\x6D\x80", ebml(b"\x62\x40", uint(b"\x50\x31", 0) + uint(b"\x50\x32", 2) + uint(b"\x50\x33", 0)
                                        + ebml(b"\x50\x34", uint(b"\x42\x54", 0))))
             + ebml(b"\x63\xA2", private)) for n in (1, 2))
    mkv = (ebml(b"\x1A\x45\xDF\xA3", uint(b"\x42\x86", 1) + ebml(b"\x42\x82", b"matroska"))
           + ebml(b"\x18\x53\x80\x67", ebml(b"\x15\x49\xA9\x66", uint(b"\x2A\xD7\xB1", 1000000))
                  + ebml(b"\x16\x54\xAE\x6B", tracks)
                  + ebml(b"\x1F\x43\xB6\x75", uint(b"\xE7", 0) + ebml(b"\xA3", b"\x81\x00\x00\x80" + b"\x00" * 16))))
    write("movie_decoder_fuzz", "codec-header-bomb.mkv", mkv)


if __name__ == "__main__":
    main()
