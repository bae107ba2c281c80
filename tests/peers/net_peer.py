#!/usr/bin/env python3
"""A scripted server for the connection tests, written from the wire format alone.

Usage: net_peer.py [--timeout SECONDS] -- COMMAND [ARGS...]

Listens on 127.0.0.1 on a free port, runs COMMAND with TIDEMARCH_PEER_PORT set to that port, and
serves every connection the command makes until the command ends. The command is ended when the
time bound passes. The exit status is the command's, or 1 when a scenario found a fault on the
wire (each fault is printed).

A client chooses a scenario with its first message: id 0x7FFF0001, A = scenario number, B = a
parameter. Data messages are id 0x80020020, A = index, B = body length, body byte j =
(index * 31 + j * 7) mod 256. Every scenario ends, unless the connection is gone, with 0x7FFF0002:
A = 1 when everything the client sent was right (0 and the fault as body text otherwise), B = the
number of data messages sent.
"""

import argparse
import array
import operator
import os
import signal
import socket
import struct
import subprocess
import sys
import threading
import time

MAGIC = 0x01020304
SEND_MASK = 0x5A3C9E71  # masks what the client sends
RECEIVE_MASK = 0xC4D2B86F  # masks what the server sends
M32 = 0xFFFFFFFF

SELECT = 0x7FFF0001
DONE = 0x7FFF0002
PROBE = 0x7FFF0003
DATA = 0x80020020
DATA_REPLY = 0x80020021

faults = []
faults_lock = threading.Lock()
command_ended = threading.Event()


class Fault(Exception):
    pass


def weighted(data, add, factor):
    """sum over i of (signed byte i + add) * i * factor, modulo 2**32."""
    signed = array.array("b", bytes(data))
    n = len(signed)
    total = sum(map(operator.mul, range(n), signed)) + add * (n * (n - 1) // 2)
    return (total * factor) & M32


def client_sum(message):
    """Checksum sum of what the client sends: header and body."""
    return (weighted(message[:20], 13, 11) + weighted(message[20:], 29, 7)) & M32


def server_sum(message):
    """Checksum sum of what the server sends."""
    return (weighted(message[:20], 7, 29) + weighted(message[20:], 11, 13)) & M32


def draws(seed, count):
    state = seed & M32
    out = []
    for _ in range(count):
        state = (state * 214013 + 2531011) & M32
        out.append((state >> 16) & 0x7FFF)
    return out


def session_table(seed):
    d = draws(seed, 2048 * 4)
    table = []
    for i in range(2048):
        t = (d[4 * i] * d[4 * i + 1] * d[4 * i + 2] * d[4 * i + 3]) & M32
        t ^= SEND_MASK
        quotient = RECEIVE_MASK // t if t else 0  # the agreed rule for a zero divisor
        table.append((t + quotient * 481) & M32)
    return table


def data_body(index, length):
    # The pattern repeats every 256 bytes.
    period = bytes((index * 31 + j * 7) & 0xFF for j in range(256))
    return (period * (length // 256 + 1))[:length]


class Peer:
    """One accepted connection and its checksum state."""

    def __init__(self, sock, checksums):
        self.sock = sock
        self.checksums = checksums
        self.table = None
        self.send_index = 0  # index of the server's messages (the client's receive index)
        self.recv_index = 0  # index of the client's messages (the client's send index)

    def frame(self, mid, a=0, b=0, body=b"", trailer=None):
        message = struct.pack("<5I", MAGIC, mid, a, b, len(body)) + body
        if not self.checksums:
            return message
        if trailer is None:
            trailer = self.server_trailer(message)
        return message + struct.pack("<I", trailer)

    def server_trailer(self, message):
        s = server_sum(message)
        if self.table is None:
            return s ^ RECEIVE_MASK
        mask = self.table[((self.send_index * s) & M32) % 2048]
        self.send_index = (self.send_index + 13) & M32
        return s ^ mask

    def send(self, mid, a=0, b=0, body=b""):
        self.sock.sendall(self.frame(mid, a, b, body))

    def read_exactly(self, count):
        out = bytearray()
        while len(out) < count:
            chunk = self.sock.recv(min(count - len(out), 1 << 20))
            if not chunk:
                raise Fault("connection ended after %d of %d bytes" % (len(out), count))
            out += chunk
        return bytes(out)

    def receive(self, check=True):
        header = self.read_exactly(20)
        magic, mid, a, b, length = struct.unpack("<5I", header)
        if magic != MAGIC:
            raise Fault("bad magic %08x" % magic)
        body = self.read_exactly(length)
        if self.checksums:
            (trailer,) = struct.unpack("<I", self.read_exactly(4))
            if check:
                expected = self.client_trailer(mid, header + body)
                if trailer != expected:
                    raise Fault("trailer of %08x is %08x, expected %08x" % (mid, trailer, expected))
        return mid, a, b, body

    def client_trailer(self, mid, message):
        if mid == 0x8002000F:
            return mid
        s = client_sum(message)
        if self.table is None:
            return s ^ SEND_MASK
        mask = self.table[((self.recv_index * s) & M32) % 2048]
        self.recv_index = (self.recv_index + 17) & M32
        return s ^ mask

    def expect(self, mid, a, b, body):
        got = self.receive()
        if got != (mid, a, b, body):
            raise Fault("expected %08x a=%x b=%x (%d bytes), got %08x a=%x b=%x (%d bytes)"
                        % (mid, a, b, len(body), got[0], got[1], got[2], len(got[3])))

    def expect_end(self, seconds=5):
        self.sock.settimeout(seconds)
        try:
            while self.sock.recv(65536):
                pass
        except socket.timeout:
            raise Fault("the client did not close the connection")


def session(peer, _):
    hello = bytearray(216)
    struct.pack_into("<5I", hello, 0, 0, 5, 0xFFFFFFFF, 1, 0)
    struct.pack_into("<I", hello, 212, 0xFFFFFFFA)
    peer.send(0x80010109)
    peer.expect(0x80020010, 0, 0x80010109, bytes(hello))
    peer.send(0x80010001)
    peer.expect(0x80000002, 0, 0x8002, b"")
    peer.send(0x8001000F)
    peer.expect(0x8002000F, 0, 0, b"")
    peer.send(0x8001010B)
    peer.expect(0x80020011, 0, 0x8001010B, bytes(196))
    peer.send(0x80000002, 0, 0x80020011)
    peer.send(PROBE)
    peer.send(0x80000002, 0, 0x80020010)
    return 0


def data_stream(peer, lengths):
    return b"".join(peer.frame(DATA, i, n, data_body(i, n)) for i, n in enumerate(lengths))


def burst(peer, _):
    lengths = [(i * 97) % 2000 for i in range(200)]
    peer.sock.sendall(data_stream(peer, lengths))
    return len(lengths)


def trickle(peer, _):
    peer.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    lengths = [0, 1, 5, 19, 20, 21, 40]
    for byte in data_stream(peer, lengths):
        peer.sock.sendall(bytes([byte]))
        time.sleep(0.002)
    return len(lengths)


def large(peer, _):
    lengths = [10 * 1000 * 1000, 3]
    peer.sock.sendall(data_stream(peer, lengths))
    return len(lengths)


def bad_magic(peer, _):
    peer.send(DATA, 0, 4, data_body(0, 4))
    peer.sock.sendall(struct.pack("<5I", 0x04030201, DATA, 1, 0, 0))
    peer.expect_end()
    return None


def bad_trailer(peer, _):
    good = peer.frame(DATA, 0, 8, data_body(0, 8))
    (trailer,) = struct.unpack("<I", good[-4:])
    peer.sock.sendall(good[:-4] + struct.pack("<I", trailer ^ 0x55))
    peer.send(DATA, 1, 8, data_body(1, 8))
    # The client compares what it was told with these two values.
    peer.send(0x80020022, trailer ^ 0x55, trailer)
    return 2


def keyed(peer, _):
    a, b = 0x13572468, 0x2468ACE0
    seed = ((a ^ SEND_MASK) + (b ^ RECEIVE_MASK) * 17) & M32
    peer.send(0x8002030D, a, b)  # still under the fixed mask
    peer.table = session_table(seed)
    peer.send_index = (seed % 2048) * 13
    peer.recv_index = (seed % 2048) * 17
    peer.expect(0x8002030E, 0, 0, b"")
    count = 0
    for round_ in range(2):
        for i in range(count, count + 4):
            n = (i * 53) % 300
            peer.send(DATA, i, n, data_body(i, n))
            peer.expect(DATA_REPLY, i, n, data_body(i, n))
        count += 4
        # The echo request carries no checksum; its answer carries its own id.
        peer.sock.sendall(struct.pack("<5I", MAGIC, 0x8001000F, 0, 0, 0) + b"junk")
        peer.expect(0x8002000F, 0, 0, b"")
        if round_ == 0:
            peer.send(0x8002030D, 1, 2)  # checked with the table, no reseeding
    return count


def close_mid_message(peer, _):
    peer.send(DATA, 0, 10, data_body(0, 10))
    partial = peer.frame(DATA, 1, 100, data_body(1, 100))
    peer.sock.sendall(partial[:30])
    time.sleep(0.2)
    peer.sock.shutdown(socket.SHUT_WR)
    return None


def throughput(peer, mebibytes):
    block = b"".join(peer.frame(DATA, i, 65536, bytes(65536)) for i in range(16))
    for _ in range(mebibytes):
        peer.sock.sendall(block)
    return 16 * mebibytes


def upload(peer, length):
    # The client sends a body larger than the socket takes at once, overwrites its copy at once,
    # and sends a small message behind it: both must arrive whole and in order.
    peer.expect(DATA, 0, length, data_body(0, length))
    peer.expect(DATA, 1, 5, data_body(1, 5))
    return 0


def stall(peer, _):
    # Reads nothing more: the client's queue of unsent bytes fills up until the client ends the
    # connection. The wait ends with the command.
    command_ended.wait()
    return None


SCENARIOS = {
    1: (session, False),
    2: (burst, False),
    3: (burst, True),
    4: (trickle, False),
    5: (trickle, True),
    6: (large, False),
    7: (large, True),
    8: (bad_magic, False),
    9: (bad_trailer, True),
    10: (keyed, True),
    11: (close_mid_message, False),
    12: (throughput, False),
    13: (upload, True),
    14: (stall, False),
}


def serve(sock):
    sock.settimeout(60)
    scenario = "?"
    try:
        header = Peer(sock, False).read_exactly(20)
        magic, mid, number, parameter, length = struct.unpack("<5I", header)
        if magic != MAGIC or mid != SELECT or number not in SCENARIOS or length != 0:
            raise Fault("no scenario chosen: %s" % header.hex())
        run, checksums = SCENARIOS[number]
        scenario = run.__name__
        peer = Peer(sock, checksums)
        if checksums:
            (trailer,) = struct.unpack("<I", peer.read_exactly(4))
            expected = client_sum(header) ^ SEND_MASK
            if trailer != expected:
                raise Fault("selection trailer %08x, expected %08x" % (trailer, expected))
        sent = run(peer, parameter)
        if sent is not None:
            peer.send(DONE, 1, sent)
            peer.expect_end(30)
    except (Fault, OSError) as error:
        with faults_lock:
            faults.append("%s: %s" % (scenario, error))
        print("peer: scenario %s: %s" % (scenario, error), file=sys.stderr, flush=True)
    finally:
        sock.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--timeout", type=float, default=240)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no command")

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    listener.settimeout(0.2)
    port = listener.getsockname()[1]

    env = dict(os.environ, TIDEMARCH_PEER_PORT=str(port))
    # Its own process group, so that the time bound ends whatever the command started.
    child = subprocess.Popen(command, env=env, start_new_session=True)
    deadline = time.monotonic() + args.timeout
    timed_out = False
    workers = []
    while child.poll() is None:
        if time.monotonic() > deadline:
            print("peer: time bound reached, ending the command", file=sys.stderr, flush=True)
            os.killpg(child.pid, signal.SIGKILL)
            timed_out = True
            break
        try:
            sock, _ = listener.accept()
        except socket.timeout:
            continue
        worker = threading.Thread(target=serve, args=(sock,), daemon=True)
        worker.start()
        workers.append(worker)
    status = child.wait()
    command_ended.set()
    listener.close()
    for worker in workers:
        worker.join(timeout=5)
    if timed_out:
        return 124
    if faults:
        print("peer: %d fault(s) on the wire" % len(faults), file=sys.stderr)
        return status or 1
    return status


if __name__ == "__main__":
    sys.exit(main())
