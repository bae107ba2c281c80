#!/usr/bin/env python3
"""An update server that sends one large file at a steady rate, so that the start screen shows an
update in progress for as long as a measurement needs (the reference server sends as fast as the
client reads, and a release big enough to last would fill the disk).

Usage: paced_update_server.py [--port N] [--rate BYTES_PER_SECOND] [--chunk BYTES] --seconds N
Prints "listening on 127.0.0.1:PORT" once it listens and "update started" when the client's
session is done and the file begins; serves one session: the file "Data.bin" of
rate x seconds bytes in chunks, paced, then the update's end.
"""

import argparse
import os
import socket
import struct
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "peers"))
from hostile_update_server import ANNOUNCE, DATA, FINISHED, HEADER, message, record, session  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=8100)
    parser.add_argument("--rate", type=int, default=2_000_000)
    parser.add_argument("--chunk", type=int, default=4096)
    parser.add_argument("--seconds", type=float, required=True)
    args = parser.parse_args()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(1)
    listener.settimeout(120)
    print("listening on 127.0.0.1:%d" % listener.getsockname()[1], flush=True)
    conn, _ = listener.accept()
    session(conn)
    print("update started", flush=True)
    size = int(args.rate * args.seconds) // args.chunk * args.chunk
    conn.sendall(message(ANNOUNCE, body=struct.pack("<II", 1, size)) + message(HEADER, body=record(".", "Data.bin", size)))
    chunk = bytes(range(256)) * (args.chunk // 256) + bytes(args.chunk % 256)
    # Ten sends a second, each of the chunks that are due by then.
    start = time.monotonic()
    sent = 0
    while sent < size:
        due = min(size, int((time.monotonic() - start + 0.1) * args.rate) // args.chunk * args.chunk)
        # Joined once: growing a bytes object message by message copies the burst again for every
        # chunk (1.7 ms of processor per burst on the build machine), time the measured host
        # would lose on a machine of two cores.
        offsets = range(sent, due, args.chunk)
        conn.sendall(b"".join(message(DATA, offset, 0, chunk) for offset in offsets))
        sent = max(sent, due)
        time.sleep(0.1)
    conn.sendall(message(FINISHED))
    print("sent %d bytes in %.1f s" % (size, time.monotonic() - start), flush=True)
    conn.settimeout(30)
    try:
        conn.recv(1)
    except OSError:
        pass


if __name__ == "__main__":
    main()
