#!/usr/bin/env python3
"""Reads the host's sound output from a FIFO at the real rate, so that Wine's DirectSound mixer
works as it would for a sound card (ALSA's null device takes samples several times faster than
real time, and the mixer with it). The FIFO carries a WAV stream from ALSA's file plugin; its
header gives the byte rate.

Usage: sound_drain.py FIFO  (runs until it is ended)
"""

import struct
import sys
import time

TICK = 0.01  # seconds between reads


def read_exactly(stream, length):
    data = b""
    while len(data) < length:
        part = stream.read(length - len(data))
        if not part:
            raise EOFError
        data += part
    return data


def drain(stream):
    header = read_exactly(stream, 44)
    byte_rate = struct.unpack_from("<I", header, 28)[0]
    start = time.monotonic()
    taken = 0
    while True:
        due = int((time.monotonic() - start) * byte_rate) - taken
        if due > 0:
            part = stream.read(due)
            if not part:
                return
            taken += len(part)
        time.sleep(TICK)


def main():
    # Each opening of the sound device is a writer of its own: wait for the next one.
    while True:
        with open(sys.argv[1], "rb", buffering=0) as stream:
            try:
                drain(stream)
            except EOFError:
                pass


if __name__ == "__main__":
    main()
