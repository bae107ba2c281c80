#!/usr/bin/env python3
"""Reads a value or a key from a Wine prefix's registry file (user.reg or system.reg), which the
Wine server writes when it ends.

    wine_registry.py FILE KEY [VALUE]

KEY is written as Windows writes it (Software\\Wine\\AppDefaults), without the root key; names
compare without regard to case. With VALUE, prints the value (strings unescaped, other types as
the file holds them, e.g. dword:00000000) and exits 0, or exits 1 when the key or the value is
missing. Without VALUE, exits 0 when the key exists.
"""
import re
import sys

KEY_LINE = re.compile(r'^\[(.*)\](?: \d+)?$')
VALUE_LINE = re.compile(r'^(@|"((?:[^"\\]|\\.)*)")=(.*)$')


def unescape(text):
    return re.sub(r'\\(.)', r'\1', text)


def read(path):
    """{key (lower case): {value name (lower case): text}}"""
    keys = {}
    current = None
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            match = KEY_LINE.match(line)
            if match:
                current = keys.setdefault(unescape(match.group(1)).lower(), {})
                continue
            match = VALUE_LINE.match(line)
            if match and current is not None:
                name = "" if match.group(1) == "@" else unescape(match.group(2))
                data = match.group(3)
                if data.startswith('"') and data.endswith('"'):
                    data = unescape(data[1:-1])
                current[name.lower()] = data
    return keys


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    keys = read(sys.argv[1])
    key = keys.get(sys.argv[2].lower())
    if key is None:
        sys.exit(1)
    if len(sys.argv) == 4:
        value = key.get(sys.argv[3].lower())
        if value is None:
            sys.exit(1)
        print(value)


if __name__ == "__main__":
    main()
