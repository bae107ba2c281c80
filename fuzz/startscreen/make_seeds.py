#!/usr/bin/env python3
"""Writes the seed inputs of the server input fuzzer into corpus/ (see server_records.h for the
input layout): whole sessions of a well-behaved server, a refusal, a lost connection and retry, a
failed write, and the hostile cases the start screen must survive."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

KNOWN_IDS = [0x80000002, 0x80000003, 0x80000004, 0x80000005, 0x80000006,
             0x80010109, 0x8001010B, 0x80020020, 0x80010001, 0x8001000F]
ANY_ID, FRAMES, LOST, KEY, BUTTON, FAIL_WRITE = 10, 11, 12, 13, 14, 15
ACKNOWLEDGED, REFUSED, ANNOUNCED, FINISHED, HEADER = 0x80000002, 0x80000003, 0x80000004, 0x80000005, 0x80000006
HELLO_REQUEST, SECOND_REQUEST, DATA = 0x80010109, 0x8001010B, 0x80020020
HELLO, SECOND_ANSWER = 0x80020010, 0x80020011
FRAMES_PER_COUNT = 16


def message(ident, a=0, b=0, body=b""):
    head = bytes([KNOWN_IDS.index(ident)]) if ident in KNOWN_IDS else bytes([ANY_ID]) + struct.pack("<I", ident)
    return head + struct.pack("<IIH", a, b, len(body)) + body


def frames(count):
    """At least count updates of the screen."""
    out = b""
    while count > 0:
        step = min(256, (count + FRAMES_PER_COUNT - 1) // FRAMES_PER_COUNT)
        out += bytes([FRAMES, step - 1])
        count -= step * FRAMES_PER_COUNT
    return out


def record(folder, name, size, time=(2024, 5, 3, 17, 12, 30, 45, 0)):
    return (folder.ljust(64, b"\0")[:64] + name.ljust(64, b"\0")[:64] + struct.pack("<8H", *time)
            + struct.pack("<II", 0, size))


def session():
    return (message(HELLO_REQUEST) + message(SECOND_REQUEST) + message(ACKNOWLEDGED, 0, SECOND_ANSWER)
            + frames(1))


def announce(count, total):
    return message(ANNOUNCED, body=struct.pack("<II", count, total))


def file(folder, name, content, chunk=64):
    out = message(HEADER, body=record(folder, name, len(content)))
    for offset in range(0, len(content), chunk):
        out += message(DATA, offset, 0, content[offset:offset + chunk])
    return out


def write(name, data):
    with open(os.path.join(HERE, "corpus", name), "wb") as out:
        out.write(data)


a = bytes(range(150))
b = b"B" * 100
write("update", session() + announce(2, len(a) + len(b)) + file(b".", b"a.txt", a, 100)
      + file(b"D1", b"b.bin", b) + message(FINISHED) + frames(2))
write("refused", message(HELLO_REQUEST) + message(REFUSED, 0, SECOND_ANSWER) + frames(4000)
      + bytes([BUTTON]))
write("lost-then-retry", session() + announce(1, 150) + message(HEADER, body=record(b".", b"a.txt", 150))
      + message(DATA, 0, 0, a[:100]) + bytes([LOST]) + frames(1001) + frames(2) + session()
      + file(b".", b"a.txt", a) + message(FINISHED) + frames(2))
write("no-server", frames(101) * 3 + frames(4) + bytes([KEY, 65]))
write("failed-write", session() + announce(1, 150) + message(HEADER, body=record(b".", b"a.txt", 150))
      + bytes([FAIL_WRITE]) + message(DATA, 0, 0, a) + frames(2) + session())
write("empty-and-rewritten", session() + announce(3, 10) + file(b".", b"empty", b"")
      + message(HEADER, body=record(b".", b"Tidemarch.exe", 4)) + message(DATA, 0, 0, b"evil")
      + file(b".", b"a.txt", b"0123456789", 4) + message(DATA, 0, 0, b"again"))
write("huge-sizes", session() + announce(0xFFFFFFFF, 0xFFFFFFFF)
      + message(HEADER, body=record(b".", b"big", 0xFFFFFFFF))
      + message(DATA, 0xFFFFFFF0, 0, b"x" * 15) + message(DATA, 0xFFFFFFFF, 0, b"y")
      + message(DATA, 0, 0, b"z" * 16) + message(FINISHED) + frames(2))
write("hostile-names", session() + b"".join(
    message(HEADER, body=record(folder, name, 4)) + message(DATA, 0, 0, b"data")
    for folder, name in [(b"..", b"x"), (b".", b".."), (b"a/b", b"x"), (b".", b"..\\x"), (b"C:", b"x"),
                         (b"...", b"x"), (b".", b"CON.txt"), (b"D1 ", b"x"), (b".", b"x" * 64),
                         (b"x" * 64, b"y"), (b".", b"a:stream"), (b"\x01", b"x")]))
# The server replaces the leftover file, which the next start screen reads at its opening.
write("leftover-replaced", session() + file(b".", b"ZVLQFVC", bytes(range(40))) + bytes([LOST])
      + frames(1001) + frames(2) + session())
# The same with a leftover file announced at 4 GiB and holding one chunk at its end.
write("leftover-replaced-long", session() + message(HEADER, body=record(b".", b"ZVLQFVC", 0xFFFFFFFF))
      + message(DATA, 0xFFFFFF00, 0, b"q" * 16) + bytes([LOST]) + frames(1001) + frames(2) + session())
