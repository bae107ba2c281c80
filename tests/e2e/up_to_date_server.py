#!/usr/bin/env python3
"""An update server with nothing to update: it runs the start screen's session, reads the file
list and reports the update finished, so that the host hands over to its game module at once.

Usage: up_to_date_server.py [--port N] [--sessions N] [--timeout SECONDS]
Prints "listening on 127.0.0.1:PORT" once it listens, and "update finished" after each session's
end of update.
"""

import argparse
import os
import socket
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "peers"))
from hostile_update_server import FINISHED, message, session  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=8100)
    parser.add_argument("--sessions", type=int, default=1)
    parser.add_argument("--timeout", type=float, default=60)
    args = parser.parse_args()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(4)
    listener.settimeout(args.timeout)
    print("listening on 127.0.0.1:%d" % listener.getsockname()[1], flush=True)
    for _ in range(args.sessions):
        conn, _ = listener.accept()
        conn.settimeout(args.timeout)
        try:
            session(conn)
            conn.sendall(message(FINISHED))
            print("update finished", flush=True)
            conn.recv(1)  # the client closes first
        except (ConnectionError, socket.timeout, OSError) as error:
            print("session ended: %s" % error, file=sys.stderr)
        finally:
            conn.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
