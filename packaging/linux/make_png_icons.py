#!/usr/bin/env python3
"""Writes the program's icon as PNG files in the usual hicolor sizes, from the same picture as vemtora.ico.

Only the standard library. Run it from anywhere; it writes to icons/ next to itself.  ./make_png_icons.py
"""
import pathlib
import struct
import sys
import zlib

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent.parent / "resources"))
from make_icons import render  # noqa: E402  (one picture for both editions)

SIZES = [16, 32, 48, 64, 128, 256]


def png(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    size = len(rows)
    raw = b"".join(b"\x00" + bytes(v for pixel in row for v in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    out = HERE / "icons"
    out.mkdir(exist_ok=True)
    for size in SIZES:
        (out / f"vemtora-{size}.png").write_bytes(png(render(size)))
