#!/usr/bin/env python3
"""Writes the seed inputs of the session fuzzer into corpus/ (see session_fuzzer.cpp for the
input layout): whole sessions of both clients with lists that match the fuzzer's small release in
part, and the malformed cases the server must refuse."""
import os
import struct

MAGIC = 0x01020304
HERE = os.path.dirname(os.path.abspath(__file__))


def message(ident, a, b, body=b""):
    return struct.pack("<5I", MAGIC, ident, a, b, len(body)) + body


def start_screen_hello():
    return struct.pack("<5I", 0, 0x10060000, 0, 1, 7) + bytes(192) + struct.pack("<I", 0)


def generic_hello(kind):
    return struct.pack("<5I", 0, kind, 0xFFFFFFFF, 1, 0) + bytes(192) + struct.pack("<I", ~kind & 0xFFFFFFFF)


def record(folder, name, size, time=(2024, 1, 1, 1, 0, 0, 0, 0)):
    return (folder.ljust(64, b"\0")[:64] + name.ljust(64, b"\0")[:64] + struct.pack("<8H", *time)
            + struct.pack("<II", 0, size))


def session(hello, records, count=None):
    body = b"".join(records)
    return (message(0x80020010, 0, 0x80010109, hello) + message(0x80020011, 0, 0x8001010B, bytes(196))
            + message(0x80020020, 0, len(records) if count is None else count, body))


def write(name, flags, sizes, stream):
    with open(os.path.join(HERE, "corpus", name), "wb") as out:
        out.write(bytes([flags, len(sizes)]) + bytes(sizes) + stream)


matching = [record(b".", b"a", 3000), record(b"D", b"B", 17), record(b".", b"mine", 5)]
write("start-screen-session", 0, [], session(start_screen_hello(), matching))
write("generic-session-small-reads", 2, [1, 7, 19, 63], session(generic_hello(5), []))
write("refused", 1, [0xF0], session(start_screen_hello(), matching))
write("wrong-length", 0, [], session(start_screen_hello(), matching, count=2))
write("name-without-terminator", 0, [], session(generic_hello(0), [b"." + bytes(63) + b"n" * 64
                                                                     + bytes(24)]))
write("bad-magic", 0, [], b"\x01\x02\x03\x04" + bytes(16))
# A list header announcing 2049 records: refused before any of its body is collected.
write("too-many-records", 0, [0xF0], session(start_screen_hello(), [])[:-20]
      + struct.pack("<5I", MAGIC, 0x80020020, 0, 2049, 2049 * 152) + record(b".", b"x", 1))
