"""Writes 8-bit, non-interlaced PNG and PNG-in-ICO files with nothing but the standard library."""

import struct
import zlib


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def _filtered(line, previous, bpp):
    """The row under each of PNG's five filters; the one with the smallest sum of magnitudes
    (the usual heuristic: smooth pictures then compress to a fraction)."""
    best = None
    for kind in range(5):
        out = bytearray(len(line))
        for i, x in enumerate(line):
            a = line[i - bpp] if i >= bpp else 0
            b = previous[i]
            c = previous[i - bpp] if i >= bpp else 0
            predicted = (0, a, b, (a + b) // 2, _paeth(a, b, c))[kind]
            out[i] = (x - predicted) & 0xFF
        cost = sum(v if v < 128 else 256 - v for v in out)
        if best is None or cost < best[0]:
            best = (cost, kind, bytes(out))
    return best[1], best[2]


def encode_png(width, height, rows, alpha):
    """rows: `height` lists of (r, g, b) or (r, g, b, a) tuples, `width` long each."""
    channels = 4 if alpha else 3
    raw = bytearray()
    previous = bytes(width * channels)
    for row in rows:
        assert len(row) == width
        line = bytes(int(v) for pixel in row for v in pixel[:channels])
        kind, filtered = _filtered(line, previous, channels)
        raw.append(kind)
        raw.extend(filtered)
        previous = line
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
