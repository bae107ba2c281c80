#!/usr/bin/env python3
"""Draws the demonstration module's pictures and sounds into a folder, for sprite_tool.

Usage: make_assets.py OUTPUT_DIRECTORY

Standard library only. Writes PNG pictures (a panel, a ship, waves, digits, a pointer, a
button) and two WAV sounds: a short click (a sound effect) and a sea sound long enough
(over 1 MiB) that the host streams it instead of loading it whole. demo.txt, next to this
script, lists them in the order the module expects.
"""
import math
import os
import random
import struct
import sys
import wave
import zlib

CLEAR = (0, 0, 0, 0)


def write_png(folder, name, width, height, pixel):
    """pixel(x, y) -> (r, g, b, a)."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(png)


def write_wav(folder, name, rate, samples):
    with wave.open(os.path.join(folder, name), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, int(s)))) for s in samples))


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def panel(x, y):
    # 480 x 300: a framed dark-blue board.
    if x < 3 or y < 3 or x >= 477 or y >= 297:
        return (210, 190, 120, 255)
    return mix((16, 40, 80), (6, 14, 34), y / 300) + (255,)


def ship(x, y):
    # 64 x 48: a hull, a mast and a sail; transparent around.
    hull = 30 <= y < 42 and abs(x - 32) <= 30 - (y - 30)
    mast = 30 <= x < 33 and 4 <= y < 30
    sail = 6 <= y < 28 and 34 <= x < 34 + (y - 4)
    if hull:
        return (120, 70, 30, 255)
    if mast:
        return (80, 50, 20, 255)
    if sail and x < 60:
        return (240, 240, 225, 255)
    return CLEAR


def wave_frame(phase):
    # 96 x 16: a crest line that moves along with the phase.
    def pixel(x, y):
        crest = 8 + 5 * math.sin((x + phase * 12) * 2 * math.pi / 48)
        if y >= crest:
            return mix((40, 120, 200), (10, 40, 100), (y - crest) / 16) + (255,)
        return CLEAR

    return pixel


SEGMENTS = ["abcdef", "bc", "abdeg", "abcdg", "bcfg", "acdfg", "acdefg", "abc", "abcdefg", "abcdfg"]


def digit(value):
    # 12 x 16 seven-segment digit in amber.
    on = SEGMENTS[value]

    def pixel(x, y):
        lit = (("a" in on and y < 2 and 2 <= x < 10) or ("g" in on and 7 <= y < 9 and 2 <= x < 10)
               or ("d" in on and y >= 14 and 2 <= x < 10) or ("f" in on and x < 2 and 1 <= y < 8)
               or ("b" in on and x >= 10 and 1 <= y < 8) or ("e" in on and x < 2 and 8 <= y < 15)
               or ("c" in on and x >= 10 and 8 <= y < 15))
        return (255, 190, 40, 255) if lit else CLEAR

    return pixel


def pointer(x, y):
    # 16 x 24 arrow with a dark outline.
    inside = x <= y * 0.6 and y < 18 or (y >= 12 and 4 <= x <= 7 and y - 12 <= x * 2)
    edge = x <= y * 0.6 + 1.2 and y < 19
    if inside and x >= 1 and y >= 1:
        return (250, 250, 250, 255)
    if edge:
        return (10, 10, 10, 255)
    return CLEAR


def button(lit):
    def pixel(x, y):
        if x < 2 or y < 2 or x >= 118 or y >= 30:
            return (230, 220, 180, 255)
        top, bottom = ((60, 150, 90), (20, 80, 40)) if lit else ((60, 70, 110), (20, 24, 50))
        return mix(top, bottom, y / 32) + (255,)

    return pixel


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_png(folder, "panel.png", 480, 300, panel)
    write_png(folder, "ship.png", 64, 48, ship)
    for phase in range(4):
        write_png(folder, "wave%d.png" % phase, 96, 16, wave_frame(phase))
    for value in range(10):
        write_png(folder, "digit%d.png" % value, 12, 16, digit(value))
    write_png(folder, "pointer.png", 16, 24, pointer)
    write_png(folder, "button.png", 120, 32, button(False))
    write_png(folder, "button_lit.png", 120, 32, button(True))

    rate = 22050
    click = [12000 * math.exp(-i / 300) * math.sin(i * 2 * math.pi * 1200 / rate) for i in range(2205)]
    write_wav(folder, "click.wav", rate, click)
    # 26 seconds of filtered noise with a slow swell: 1,146,600 bytes of samples.
    noise = random.Random(8)
    level, sea = 0.0, []
    for i in range(rate * 26):
        level = level * 0.97 + noise.uniform(-1, 1) * 0.03
        swell = 0.55 + 0.45 * math.sin(i * 2 * math.pi / (rate * 6.5))
        sea.append(level * 60000 * swell)
    write_wav(folder, "sea.wav", rate, sea)


if __name__ == "__main__":
    main()
