#!/usr/bin/env python3
"""relay_calls.py: turns a Wine relay trace into one line per top-level call of the traced
program.

Usage: relay_calls.py TRACE-FILE IMAGE-BASE-HEX

Each line reads like  CreateWindowExA(80,"TPUtilWindow","",80000000,0,0,0,0,0,0,INST,0) = OWNER
Strings stay as the trace escapes them; the program's module instance shows as INST, the handle
of a window it created as OWNER (OWNER2, ...), other pointers as PTR. Numbers are cut to their low
32 bits, because a 64-bit trace prints whole registers whose upper halves hold leftovers.
"""
import re
import sys

# Argument kinds: s string or NULL, p pointer, h window handle, i module instance,
# x hexadecimal, d signed decimal. Return kinds: d, a (atom), w (new window), h, e (shell result:
# OPENED above 32 or negative, FAILED from 0 to 32), f (search handle: FOUND or NONE).
SIGNATURES = {
    "SetCurrentDirectoryA": ("s", "d"),
    "GetClassInfoA": ("isp", "d"),
    "UnregisterClassA": ("si", "d"),
    "RegisterClassA": ("p", "a"),
    "CreateWindowExA": ("xssxddddhhip", "w"),
    "ShowWindow": ("hd", "d"),
    "ShellExecuteA": ("hssssd", "e"),
    "MessageBoxA": ("hssx", "d"),
    "DestroyWindow": ("h", "d"),
    "GetPrivateProfileStringA": ("ssspds", "d"),
    "FindFirstFileA": ("sp", "f"),
}

LINE = re.compile(r"([0-9A-Fa-f]+):(Call|Ret)\s+([\w.]+)\.(\w+)\((.*)\)\s+"
                  r"(?:retval=([0-9A-Fa-f]+)\s+)?ret=[0-9A-Fa-f]+\s*$")
ARGUMENT = re.compile(r'\s*([0-9A-Fa-f]+)(?:\s+(L?"(?:[^"\\]|\\.)*"(?:\.\.\.)?))?\s*(?:,|$)')


def split_arguments(text):
    values, position = [], 0
    while position < len(text):
        match = ARGUMENT.match(text, position)
        if not match or match.end() == position:
            values.append((text[position:], None))
            break
        values.append((int(match.group(1), 16), match.group(2)))
        position = match.end()
    return values


def low32(value):
    return value & 0xFFFFFFFF


def signed32(value):
    value = low32(value)
    return value - (1 << 32) if value & 0x80000000 else value


def new_names(image_base):
    """The symbolic names given to the instance and to the windows the program created."""
    return {"image_base": image_base, "windows": {}}


def window_name(names, value):
    value = low32(value)
    if value == 0:
        return "0"
    return names["windows"].get(value, "%x" % value)


def add_window(names, value):
    value = low32(value)
    if value == 0:
        return "0"
    windows = names["windows"]
    name = "OWNER" if not windows else "OWNER%d" % (len(windows) + 1)
    windows[value] = name
    return name


def show_argument(kind, value, string, names):
    if not isinstance(value, int):
        return value
    if kind == "s":
        return string if string is not None else ("NULL" if value == 0 else "%x" % value)
    if kind == "p":
        return "NULL" if value == 0 else "PTR"
    if kind == "h":
        return window_name(names, value)
    if kind == "i":
        return "INST" if value == names["image_base"] else "%x" % value
    if kind == "d":
        return str(signed32(value))
    return "%x" % low32(value)


def show_call(function, arguments, names):
    kinds = SIGNATURES.get(function, ("", "d"))[0]
    shown = [show_argument(kinds[n] if n < len(kinds) else "x", value, string, names)
             for n, (value, string) in enumerate(arguments)]
    return "%s(%s)" % (function, ",".join(shown))


def show_result(function, retval, names):
    kind = SIGNATURES.get(function, ("", "d"))[1]
    value = int(retval or "0", 16)
    if kind == "a":
        return "ATOM" if low32(value) else "0"
    if kind == "w":
        return add_window(names, value)
    if kind == "h":
        return window_name(names, value)
    if kind == "e":
        return "FAILED" if 0 <= signed32(value) <= 32 else "OPENED"
    if kind == "f":
        return "NONE" if signed32(value) == -1 else "FOUND"
    return str(signed32(value))


def program_thread(matches):
    """The thread that enters the program's folder, its first call; else the first one seen."""
    for match in matches:
        if match.group(2) == "Call" and match.group(4) == "SetCurrentDirectoryA":
            return match.group(1)
    return matches[0].group(1) if matches else None


def top_level_calls(lines, names):
    matches = [match for match in map(LINE.search, lines) if match]
    thread, depth, pending, out = program_thread(matches), 0, None, []
    for match in matches:
        tid, what, function, arguments, retval = match.group(1, 2, 4, 5, 6)
        if tid != thread:
            continue
        if what == "Call":
            if depth == 0:
                pending = show_call(function, split_arguments(arguments), names)
            depth += 1
        elif depth > 0:
            depth -= 1
            if depth == 0 and pending:
                out.append("%s = %s" % (pending, show_result(function, retval, names)))
                pending = None
    if pending:
        out.append(pending + " = ?")
    return out


def main():
    with open(sys.argv[1], "r", encoding="latin-1") as trace:
        lines = trace.read().splitlines()
    names = new_names(int(sys.argv[2], 16))
    for call in top_level_calls(lines, names):
        print(call)


if __name__ == "__main__":
    main()
