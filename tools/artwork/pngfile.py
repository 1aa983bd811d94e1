"""Writes 8-bit, non-interlaced PNG and PNG-in-ICO files with nothing but the standard library."""

import struct
import zlib


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def encode_png(width, height, rows, alpha):
    """rows: `height` lists of (r, g, b) or (r, g, b, a) tuples, `width` long each."""
    channels = 4 if alpha else 3
    raw = bytearray()
    for row in rows:
        assert len(row) == width
        raw.append(0)  # filter type None; zlib does the work
        for pixel in row:
            raw.extend(int(v) for v in pixel[:channels])
    assert len(raw) == height * (width * channels + 1)
    colour_type = 6 if alpha else 2
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) +
            _chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + _chunk(b"IEND", b""))


def write_png(path, width, height, rows, alpha):
    with open(path, "wb") as f:
        f.write(encode_png(width, height, rows, alpha))


def write_ico(path, images):
    """images: list of (size, png_bytes); every entry is stored as PNG, as modern ICO allows."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    blobs = b""
    for size, png in images:
        dim = 0 if size >= 256 else size  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(png), offset + len(blobs))
        blobs += png
    with open(path, "wb") as f:
        f.write(header + entries + blobs)
