#!/usr/bin/env python3
"""Draws the program's icon and writes it as vemtora.ico with the eight images Windows asks for.

Only the standard library: the picture is small enough to rasterise by hand.
Run it from anywhere; it writes next to itself.  ./make_icons.py
"""
import math
import pathlib
import struct

# (size, bits per pixel), in the order the icon directory lists them.
IMAGES = [(16, 4), (32, 4), (16, 8), (32, 8), (48, 8), (16, 32), (32, 32), (48, 32)]

BACKGROUND = (31, 78, 121)
DIAL = (236, 240, 243)
NEEDLE = (204, 32, 32)
TRACE = (20, 20, 20)

# The classic 16-colour VGA palette: what a 4-bit icon can show on any display.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# The picture's own colours, a 6 x 6 x 6 colour cube and a grey ramp for the 8-bit images.
CUBE = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
PALETTE256 = [BACKGROUND, DIAL, NEEDLE, TRACE] + CUBE + [(v, v, v) for v in range(8, 248, 6)][: 256 - len(CUBE)]
PALETTE256 = PALETTE256[:256] + [(0, 0, 0)] * (256 - len(PALETTE256))


def colour_at(x, y):
    """The picture in unit coordinates (0..1, y down): RGBA, or None where transparent."""
    # Rounded square body.
    r = 0.18
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return None
    # Half-circle dial with a needle, like the face of a panel meter.
    dx, dy = x - 0.5, y - 0.66
    dist = math.hypot(dx, dy)
    if dy <= 0 and dist <= 0.38:
        angle = math.radians(55)
        nx, ny = math.cos(angle), -math.sin(angle)
        along = dx * nx + dy * ny
        across = abs(dx * ny - dy * nx)
        if 0 <= along <= 0.36 and across <= 0.035:
            return NEEDLE
        if 0.31 <= dist <= 0.34:
            return TRACE
        return DIAL
    # A waveform along the bottom edge: the logged readings.
    wave = 0.80 + 0.06 * math.sin((x - 0.15) * 2 * math.pi * 1.5)
    if 0.14 <= x <= 0.86 and abs(y - wave) <= 0.035:
        return DIAL
    return BACKGROUND


def render(size):
    """Supersampled RGBA rows, top row first."""
    samples = 4
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            covered = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((px + (sx + 0.5) / samples) / size, (py + (sy + 0.5) / samples) / size)
                    if c is not None:
                        covered += 1
                        for i in range(3):
                            acc[i] += c[i]
            if covered:
                row.append(tuple(round(a / covered) for a in acc) + (round(255 * covered / samples**2),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def nearest(palette, rgb):
    return min(range(len(palette)), key=lambda i: sum((palette[i][k] - rgb[k]) ** 2 for k in range(3)))


def mask_rows(rows):
    """The 1-bit AND mask: set where the pixel is transparent; rows padded to 32 bits."""
    size = len(rows)
    stride = (size + 31) // 32 * 4
    out = []
    for row in rows:
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out.append(bytes(bits))
    return out


def dib(rows, bpp):
    """A BITMAPINFOHEADER image as an icon holds it: colour rows then mask rows, both bottom-up."""
    size = len(rows)
    palette = {4: VGA16, 8: PALETTE256}.get(bpp, [])
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, 0, 0, 0, len(palette), 0)
    body = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in palette)
    stride = (size * bpp + 31) // 32 * 4
    colour = []
    for row in rows:
        if bpp == 32:
            line = b"".join(struct.pack("BBBB", p[2], p[1], p[0], p[3]) for p in row)
        else:
            indexes = [nearest(palette, p) if p[3] >= 128 else 0 for p in row]
            if bpp == 8:
                line = bytes(indexes)
            else:
                line = bytes((indexes[i] << 4) | (indexes[i + 1] if i + 1 < size else 0) for i in range(0, size, 2))
        colour.append(line.ljust(stride, b"\0"))
    return header + body + b"".join(reversed(colour)) + b"".join(reversed(mask_rows(rows)))


def icon():
    pictures = {size: render(size) for size in {s for s, _ in IMAGES}}
    blobs = [dib(pictures[size], bpp) for size, bpp in IMAGES]
    out = struct.pack("<HHH", 0, 1, len(IMAGES))
    offset = 6 + 16 * len(IMAGES)
    for (size, bpp), blob in zip(IMAGES, blobs):
        colours = 16 if bpp == 4 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


if __name__ == "__main__":
    target = pathlib.Path(__file__).resolve().parent / "vemtora.ico"
    target.write_bytes(icon())
    print(target)
