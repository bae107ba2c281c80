#!/usr/bin/env python3
"""Checks the files a faulting run left against the faulting module's map file.

Arguments: the run's folder, the module's map file, where it faulted (update, thread, stack,
shutdown), the function the fault must lie in, the host's version.
"""
import re
import struct
import sys

MODULE = "Main.dll"
HOST = "Tidemarch.exe"
ACCESS_VIOLATION = 0xC0000005
STACK_OVERFLOW = 0xC00000FD
MINIDUMP_EXCEPTION_STREAM = 6
# The module runs this many frames before it faults.
CALM_FRAMES = 25


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


def map_symbols(path):
    """The image base and the (address, name) pairs the map file lists, sorted."""
    base = None
    symbols = []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = re.match(r"\s+0x([0-9a-fA-F]+)\s+__image_base__ = 0x([0-9a-fA-F]+)", line)
            if m:
                base = int(m.group(2), 16)
                continue
            m = re.match(r"\s+0x([0-9a-fA-F]+)\s+([^=\s].*?)\s*$", line)
            if m and not m.group(2).startswith("0x"):
                symbols.append((int(m.group(1), 16), m.group(2)))
    if base is None:
        fail("the map file names no image base")
    return base, sorted(symbols)


def function_at(symbols, address):
    """The name of the symbol the address lies in: the last one at or below it."""
    found = None
    for symbol_address, name in symbols:
        if symbol_address > address:
            break
        found = name
    return found


def section(report, title):
    """The lines of the report's part that starts with the title, up to the next blank line."""
    lines = report.splitlines()
    for i, line in enumerate(lines):
        if line.startswith(title):
            part = [line]
            for following in lines[i + 1:]:
                if not following.strip():
                    break
                part.append(following)
            return part
    fail("the report has no part \"%s\"" % title)


def main():
    folder, map_path, where, function, version = sys.argv[1:6]
    with open(folder + "/crash.txt", "rb") as f:
        raw = f.read()
    report = raw.decode("utf-8")
    if "\r\n" not in report or re.search(r"[^\r]\n", report):
        fail("the report's lines do not all end in CR LF")

    expected_code = STACK_OVERFLOW if where == "stack" else ACCESS_VIOLATION
    if "version: %s\r\n" % version not in report:
        fail("the report does not name version %s" % version)
    m = re.search(r"^exception: 0x([0-9A-F]{8}) (\S+)", report, re.M)
    if not m or int(m.group(1), 16) != expected_code:
        fail("exception line: %s" % (m.group(0) if m else "missing"))
    if m.group(2) != ("EXCEPTION_STACK_OVERFLOW" if where == "stack" else "EXCEPTION_ACCESS_VIOLATION"):
        fail("the exception is named %s" % m.group(2))
    if expected_code == ACCESS_VIOLATION and "  writing to 0x00000000\r\n" not in report:
        fail("the access violation is not a write to 0x00000000")
    thread = "(another thread)" if where == "thread" else "(the main thread)"
    if not re.search(r"^thread: 0x[0-9A-F]{8} " + re.escape(thread), report, re.M):
        fail("the faulting thread is not named %s" % thread)

    # The faulting address, as the module and an offset, lies in the expected function.
    m = re.search(r"^address: 0x([0-9A-F]{8}) (\S+)\+0x([0-9A-F]+)\r$", report, re.M)
    if not m or m.group(2) != MODULE:
        fail("the faulting address is not placed in %s: %s" % (MODULE, m.group(0) if m else "missing"))
    address = int(m.group(1), 16)
    offset = int(m.group(3), 16)
    base, symbols = map_symbols(map_path)
    found = function_at(symbols, base + offset)
    if found != function:
        fail("offset 0x%X is in %s by the map file, not in %s" % (offset, found, function))
    print("the fault at %s+0x%X lies in %s, as the map file says" % (MODULE, offset, found))

    registers = section(report, "registers:")
    if not any(re.match(r"  EIP 0x%08X %s\+0x%X$" % (address, re.escape(MODULE), offset), r) for r in registers):
        fail("EIP does not show the faulting address: %s" % registers[:2])
    esp = int(next(r for r in registers if r.startswith("  ESP ")).split()[1], 16)

    # Every listed stack word lies in the part of the stack that was read, at or above ESP, and
    # points into a listed module; the stack holds a return address into the host.
    stack = section(report, "stack from ")
    m = re.match(r"stack from 0x([0-9A-F]{8}) to 0x([0-9A-F]{8})", stack[0])
    start, end = int(m.group(1), 16), int(m.group(2), 16)
    if start < esp or start > esp + 3 or end <= start:
        fail("the stack is read from 0x%08X to 0x%08X with ESP at 0x%08X" % (start, end, esp))
    unreadable = [line for line in stack[1:] if line.endswith("could not be read")]
    if unreadable:
        fail("the faulting thread's own stack could not be read: %s" % unreadable)
    word_lines = [line for line in stack[1:] if not line.startswith("  and ")]
    words = [re.match(r"  0x([0-9A-F]{8}) 0x([0-9A-F]{8}) (\S+)\+0x[0-9A-F]+( \(data\))?$", line)
             for line in word_lines]
    if not words or not all(words):
        fail("stack lines that are not an address, a word and a module place: %s" % word_lines[:3])
    for w in words:
        if not start <= int(w.group(1), 16) < end:
            fail("stack word at 0x%s lies outside what was read" % w.group(1))
    # Return addresses: words that point into a module's code.
    code = {w.group(3) for w in words if not w.group(4)}
    if where == "stack":
        # The overflowed stack is the module's own calls, more than the report lists.
        if code != {MODULE} or not stack[-1].startswith("  and "):
            fail("the overflowed stack is not the module's calls, cut short: %s" % sorted(code))
    elif HOST not in code and where != "thread":
        fail("no stack word returns into the host: %s" % sorted(code))
    if MODULE not in code:
        fail("no stack word returns into the module: %s" % sorted(code))

    modules = section(report, "modules ")
    listed = {}
    for line in modules[1:]:
        m = re.match(r"  0x([0-9A-F]{8}) 0x([0-9A-F]{8}) (\d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC) "
                     r"0x([0-9A-F]{8}) 0x([0-9A-F]{8}) (.*)$", line)
        if m:
            listed[re.split(r"[\\/]", m.group(6))[-1]] = (int(m.group(1), 16), int(m.group(2), 16), int(m.group(5), 16))
    for name in (MODULE, HOST):
        if name not in listed:
            fail("the modules do not list %s with base, size, file time and header: %s" % (name, modules[:3]))
    module_base, module_size, linked_base = listed[MODULE]
    if module_base + offset != address or offset >= module_size:
        fail("%s's base 0x%08X and size do not hold the fault at 0x%08X" % (MODULE, module_base, address))
    if linked_base != base:
        fail("%s's linked base 0x%08X is not the map file's 0x%08X" % (MODULE, linked_base, base))

    m = re.search(r"^frames started: (\d+)\r$", report, re.M)
    if not m or int(m.group(1)) < CALM_FRAMES:
        fail("frames started: %s" % (m.group(1) if m else "missing"))
    if where == "update":
        frames = section(report, "recent frames, from the frame log:")
        if not frames[1].startswith("# frame due") or len(frames) < 3:
            fail("the recent frames are not there: %s" % frames[:3])
    elif "recent frames: none kept (the frame log is off)" not in report:
        fail("the report does not say that the frame log was off")

    with open(folder + "/crash-history.txt", encoding="utf-8") as f:
        history = f.read().splitlines()
    if len(history) != 1 or "%s+0x%X" % (MODULE, offset) not in history[0]:
        fail("crash-history.txt is not one line naming the fault: %s" % history)

    with open(folder + "/crash.dmp", "rb") as f:
        dump = f.read()
    signature, _, streams, directory = struct.unpack_from("<4sIII", dump, 0)
    if signature != b"MDMP":
        fail("crash.dmp is no minidump")
    for i in range(streams):
        kind, _, rva = struct.unpack_from("<III", dump, directory + 12 * i)
        if kind == MINIDUMP_EXCEPTION_STREAM:
            _, _, code, _, _, dumped_address = struct.unpack_from("<IIIIQQ", dump, rva)
            if code != expected_code or dumped_address != address:
                fail("the minidump's exception is 0x%08X at 0x%08X" % (code, dumped_address))
            break
    else:
        fail("the minidump has no exception stream")
    print("crash.txt, crash-history.txt and crash.dmp agree (%d bytes of dump)" % len(dump))


main()
