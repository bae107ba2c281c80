#!/usr/bin/env python3
"""Draws the program's icon, Tidemarch.ico, next to this script.

Standard library only. One picture (a moon over two waves on a rounded dark-blue square) drawn at
each size the shell asks for, anti-aliased by sampling every pixel 4 x 4 times. The small sizes are
stored as 32-bit bitmaps (every Windows version reads them), 256 x 256 as PNG (Windows Vista on).
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SIZES = (16, 24, 32, 48, 256)
PNG_FROM = 256  # sizes from this one up are stored as PNG
SAMPLES = 4

DEEP = (12, 30, 66)
SHALLOW = (26, 92, 140)
FOAM = (232, 244, 250)
WAVE = (70, 170, 210)
MOON = (250, 214, 110)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def inside_rounded_square(x, y):
    """x, y in 0..1; corner radius 0.2."""
    r = 0.2
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and 0 <= x <= 1 and 0 <= y <= 1


def wave_top(x, base, height, phase):
    return base - height * math.sin(2 * math.pi * (x * 1.25 + phase))


def colour_at(x, y):
    """The picture at a point of the unit square: (r, g, b, a) with components 0..1 for alpha."""
    if not inside_rounded_square(x, y):
        return None
    colour = mix(DEEP, SHALLOW, y)
    if (x - 0.68) ** 2 + (y - 0.3) ** 2 <= 0.15 ** 2 and not (x - 0.74) ** 2 + (y - 0.25) ** 2 <= 0.13 ** 2:
        colour = MOON
    back = wave_top(x, 0.6, 0.06, 0.1)
    front = wave_top(x, 0.74, 0.07, 0.55)
    if y >= back:
        colour = FOAM if y < back + 0.045 else WAVE
    if y >= front:
        colour = FOAM if y < front + 0.05 else mix(SHALLOW, DEEP, 0.3)
    return colour


def render(size):
    """Rows of (r, g, b, a) bytes, top row first."""
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            total = [0.0, 0.0, 0.0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    if c is not None:
                        covered += 1
                        for i in range(3):
                            total[i] += c[i]
            if covered:
                row.extend(int(round(total[i] / covered)) for i in range(3))
                row.append(int(round(255 * covered / (SAMPLES * SAMPLES))))
            else:
                row.extend((0, 0, 0, 0))
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bitmap(size, rows):
    """A 32-bit icon bitmap: header with twice the height (colour and mask), rows bottom up in
    BGRA, then the 1-bit AND mask (rows padded to 4 bytes)."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for i in range(0, len(row), 4):
            r, g, b, a = row[i:i + 4]
            pixels.extend((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(size):
            if row[4 * x + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask.extend(bits)
    return header + bytes(pixels) + bytes(mask)


def main():
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png(size, rows) if size >= PNG_FROM else bitmap(size, rows)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, image in images:
        stored = 0 if size >= 256 else size  # 0 means 256 in the directory
        directory += struct.pack("<BBBBHHII", stored, stored, 0, 0, 1, 32, len(image), offset + len(data))
        data += image
    with open(os.path.join(HERE, "Tidemarch.ico"), "wb") as f:
        f.write(directory + data)


if __name__ == "__main__":
    main()
