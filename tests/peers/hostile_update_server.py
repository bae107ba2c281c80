#!/usr/bin/env python3
"""An update server that misbehaves on purpose, for the start screen's safety checks.

Usage: hostile_update_server.py --scenario NAME [--port N] [--sessions N]

Listens on 127.0.0.1 (port 0: a free one), prints "listening on 127.0.0.1:PORT" and serves that
many sessions (default 1) one after the other. Each session runs the start screen's session
(hello request, second request, acknowledgement), reads the client's file list, then follows the
scenario:

  hostile     files whose names reach outside the program folder or name devices, a name without
              its terminator, a chunk past its file's announced size; one good file "good.txt"
              ("GOOD") and one "big.txt" (announced 4 bytes, sent 8 at once); then finished.
  disconnect  announces "part.bin" of 1000 bytes, sends its first 500, and closes.
  silent      accepts the connection and never says anything.
"""

import argparse
import socket
import struct
import sys
import time

MAGIC = 0x01020304
ACK = 0x80000002
ANNOUNCE = 0x80000004
FINISHED = 0x80000005
HEADER = 0x80000006
HELLO_REQUEST = 0x80010109
SECOND_REQUEST = 0x8001010B
HELLO = 0x80020010
SECOND_ANSWER = 0x80020011
DATA = 0x80020020
RECORD = 152
TIME = struct.pack("<8H", 2020, 9, 0, 13, 12, 26, 40, 0)


def message(ident, a=0, b=0, body=b""):
    return struct.pack("<5I", MAGIC, ident, a, b, len(body)) + body


def receive_exactly(conn, length):
    data = b""
    while len(data) < length:
        part = conn.recv(length - len(data))
        if not part:
            raise ConnectionError("client closed")
        data += part
    return data


def receive_message(conn):
    magic, ident, a, b, length = struct.unpack("<5I", receive_exactly(conn, 20))
    if magic != MAGIC:
        raise ConnectionError("bad magic from client")
    return ident, a, b, receive_exactly(conn, length)


def record(folder, name, size):
    def field(text):
        raw = text if isinstance(text, bytes) else text.encode("latin-1")
        return raw[:64].ljust(64, b"\0")
    return field(folder) + field(name) + TIME + struct.pack("<II", 0, size)


def session(conn):
    conn.sendall(message(HELLO_REQUEST))
    ident, _, _, body = receive_message(conn)
    if ident != HELLO or len(body) != 216:
        raise ConnectionError("no hello")
    conn.sendall(message(SECOND_REQUEST))
    ident, _, _, body = receive_message(conn)
    if ident != SECOND_ANSWER or len(body) != 196:
        raise ConnectionError("no second answer")
    conn.sendall(message(ACK, 0, SECOND_ANSWER))
    ident, _, count, body = receive_message(conn)
    if ident != DATA or len(body) != RECORD * count:
        raise ConnectionError("no file list")


def one_file(folder, name, content, size=None, offset=0):
    size = len(content) if size is None else size
    return message(HEADER, body=record(folder, name, size)) + message(DATA, offset, 0, content)


def hostile(conn):
    files = [
        ("..", "escaped.txt"),
        (".", "../escaped2.txt"),
        (".", "..\\escaped3.txt"),
        (".", "CON"),
        (".", "nul.txt"),
        ("sub/deeper", "x"),
        ("C:", "drive.txt"),
        (".", "C:drive2.txt"),
        (".", "trailing."),
        (".", b"A" * 64),
    ]
    out = message(ANNOUNCE, body=struct.pack("<II", len(files) + 2, 4 * len(files) + 8))
    for folder, name in files:
        out += one_file(folder, name, b"EVIL")
    out += one_file(".", "good.txt", b"GOOD")
    out += one_file(".", "big.txt", b"TOOLONG!", size=4)
    out += message(FINISHED)
    conn.sendall(out)


def disconnect(conn):
    out = message(ANNOUNCE, body=struct.pack("<II", 1, 1000))
    out += message(HEADER, body=record(".", "part.bin", 1000))
    out += message(DATA, 0, 0, bytes(range(250)) * 2)
    conn.sendall(out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scenario", required=True, choices=["hostile", "disconnect", "silent"])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--sessions", type=int, default=1)
    parser.add_argument("--timeout", type=float, default=60)
    args = parser.parse_args()

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(8)
    listener.settimeout(args.timeout)
    print("listening on 127.0.0.1:%d" % listener.getsockname()[1], flush=True)
    for _ in range(args.sessions):
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            return 1
        conn.settimeout(args.timeout)
        try:
            if args.scenario == "silent":
                time.sleep(args.timeout)
            else:
                session(conn)
                {"hostile": hostile, "disconnect": disconnect}[args.scenario](conn)
                if args.scenario == "hostile":
                    # Wait for the client to close first, as the reference server does.
                    conn.recv(1)
        except (ConnectionError, socket.timeout, OSError) as error:
            print("session ended: %s" % error, file=sys.stderr)
        finally:
            conn.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
