#!/usr/bin/env python3
"""Draws the pictures of the start screen's sprite file into PNG files next to this script.

Standard library only (zlib for the PNG data). The pictures are plain and synthetic: a
background, three status banners (connecting, updating, refused), the progress bar's frame and
its two markers, the digits 0 to 9 and the frames of a small spinner. start.txt lists them in
the order the start screen expects.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CLEAR = (0, 0, 0, 0)


def write_png(name, width, height, pixel):
    """pixel(x, y) -> (r, g, b, a)."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # no filter
        for x in range(width):
            rows.extend(pixel(x, y))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(png)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def background(x, y):
    # Night sky over a sea: a vertical gradient, a horizon, and gentle bands on the water.
    horizon = 520
    if y < horizon:
        r, g, b = mix((8, 14, 40), (60, 84, 140), y / horizon)
    else:
        t = (y - horizon) / (768 - horizon)
        r, g, b = mix((20, 48, 80), (4, 12, 24), t)
        if (y // 6 + x // 96) % 5 == 0:
            r, g, b = r + 6, g + 10, b + 14
    return (r, g, b, 255)


def banner(colour, emblem):
    width, height = 204, 40

    def pixel(x, y):
        if x in (0, width - 1) or y in (0, height - 1):
            return (200, 200, 210, 255)
        base = mix(colour, (12, 12, 20), y / height)
        if emblem(x - 20, y - 20):
            return (240, 240, 240, 255)
        return base + (255,)

    return width, height, pixel


def ring(dx, dy):
    return 8 <= math.hypot(dx, dy) <= 12


def arrows(dx, dy):
    # A downward arrow: a stem above a head.
    return abs(dy) <= 12 and ((dy >= -2 and abs(dx) + dy <= 10) or (abs(dx) <= 3 and dy < 0))


def cross(dx, dy):
    return abs(dx) <= 11 and abs(dy) <= 11 and (abs(dx - dy) <= 2 or abs(dx + dy) <= 2)


def bar_frame(x, y):
    # 204 x 6: a thin frame around the 200 x 2 bar box, transparent inside.
    if 2 <= x < 202 and 2 <= y < 4:
        return CLEAR
    return (150, 160, 170, 255)


def marker(colour):
    # 7 x 6: a small triangle pointing down.
    def pixel(x, y):
        return colour + (255,) if abs(x - 3) <= 3 - y // 2 else CLEAR

    return pixel


# Seven segments: a, b, c, d, e, f, g, for the digits 0 to 9.
SEGMENTS = ["abcdef", "bc", "abdeg", "abcdg", "bcfg", "acdfg", "acdefg", "abc", "abcdefg", "abcdfg"]


def digit(n):
    width, height, t = 12, 16, 2
    lit = SEGMENTS[n]

    def on(x, y):
        h_seg = {"a": 0, "g": (height - t) // 2, "d": height - t}
        for s, top in h_seg.items():
            if s in lit and top <= y < top + t and t <= x < width - t:
                return True
        v_seg = {"f": (0, 0), "b": (width - t, 0), "e": (0, height // 2), "c": (width - t, height // 2)}
        for s, (left, top) in v_seg.items():
            if s in lit and left <= x < left + t and top + 1 <= y < top + height // 2 - 1:
                return True
        return False

    return width, height, lambda x, y: (250, 220, 120, 255) if on(x, y) else CLEAR


def spinner(frame):
    size = 24

    def pixel(x, y):
        for k in range(8):
            angle = (k / 8) * 2 * math.pi
            cx, cy = 12 + 8 * math.cos(angle), 12 + 8 * math.sin(angle)
            if math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= 2.6:
                bright = 255 - 28 * ((k - frame) % 8)
                return (bright, bright, 255, 255)
        return CLEAR

    return size, size, pixel


def main():
    write_png("status_connecting.png", *banner((30, 90, 160), ring))
    write_png("status_updating.png", *banner((30, 130, 70), arrows))
    write_png("bar_frame.png", 204, 6, bar_frame)
    write_png("marker_file.png", 7, 6, marker((250, 250, 120)))
    write_png("marker_total.png", 7, 6, marker((120, 250, 160)))
    for n in range(10):
        write_png(f"digit{n}.png", *digit(n))
    write_png("status_refused.png", *banner((150, 30, 30), cross))
    write_png("background.png", 1024, 768, background)
    for frame in range(8):
        write_png(f"spinner{frame}.png", *spinner(frame))


if __name__ == "__main__":
    main()
