#!/usr/bin/env python3
"""A server for the demonstration module's connection, from the wire format alone.

Usage: demo_server.py [--port PORT] [--timeout SECONDS]

Listens on 127.0.0.1 (port 8200 by default), takes one connection at a time, prints every
message the module sends (its hello first) and answers each with message 0x80027002, which the
module counts on its status line. Ends after the time bound (600 seconds by default).
"""

import argparse
import socket
import struct
import time

MAGIC = 0x01020304
HEADER = struct.Struct("<IIIII")
ANSWER_ID = 0x80027002


def serve(connection, deadline):
    pending = b""
    while time.monotonic() < deadline:
        connection.settimeout(max(0.1, deadline - time.monotonic()))
        try:
            chunk = connection.recv(65536)
        except socket.timeout:
            return
        if not chunk:
            print("the module closed the connection")
            return
        pending += chunk
        while len(pending) >= HEADER.size:
            magic, message_id, a, b, length = HEADER.unpack_from(pending)
            if magic != MAGIC:
                print("not a framed message (magic %08x); closing" % magic)
                return
            if len(pending) < HEADER.size + length:
                break
            body = pending[HEADER.size:HEADER.size + length]
            pending = pending[HEADER.size + length:]
            text = body.rstrip(b"\0").decode("latin-1", "replace")
            print("message %08x a=%d b=%d %r" % (message_id, a, b, text))
            connection.sendall(HEADER.pack(MAGIC, ANSWER_ID, 0, 0, 0))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=8200)
    parser.add_argument("--timeout", type=float, default=600)
    options = parser.parse_args()
    deadline = time.monotonic() + options.timeout
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", options.port))
    server.listen(1)
    print("waiting on 127.0.0.1:%d" % options.port)
    while time.monotonic() < deadline:
        server.settimeout(max(0.1, deadline - time.monotonic()))
        try:
            connection, peer = server.accept()
        except socket.timeout:
            break
        print("the module connected from %s:%d" % peer)
        with connection:
            serve(connection, deadline)


if __name__ == "__main__":
    main()
