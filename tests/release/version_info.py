#!/usr/bin/env python3
"""version_info.py: prints the version resource of a Windows executable, one "name=value" line
each: the numeric file and product versions of its fixed part, then every string of its string
tables. Reads the raw resource (wrestool --raw -x -t16 EXE) on standard input."""
import struct
import sys


def align(offset):
    return (offset + 3) & ~3


def node(data, offset):
    """One block: its end, key, value bytes (or text) and where its children start."""
    length, value_length, text = struct.unpack_from("<HHH", data, offset)
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    value_start = align(key_end + 2)
    value_size = value_length * 2 if text else value_length
    value = data[value_start:value_start + value_size]
    if text:
        value = value.decode("utf-16-le").rstrip("\0")
    return offset + length, key, value, align(value_start + value_size)


def children(data, start, end):
    while start < end:
        child_end, key, value, first = node(data, start)
        yield key, value, first, child_end
        start = align(child_end)


def main():
    data = sys.stdin.buffer.read()
    end, key, fixed, first = node(data, 0)
    if key != "VS_VERSION_INFO" or struct.unpack_from("<I", fixed)[0] != 0xFEEF04BD:
        print("no version resource")
        return 1
    ms, ls, pms, pls = struct.unpack_from("<IIII", fixed, 8)
    print(f"FILEVERSION={ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}")
    print(f"PRODUCTVERSION={pms >> 16}.{pms & 0xFFFF}.{pls >> 16}.{pls & 0xFFFF}")
    for name, _, table_start, table_end in children(data, first, end):
        if name != "StringFileInfo":
            continue
        for _, _, strings_start, strings_end in children(data, table_start, table_end):
            for string, value, _, _ in children(data, strings_start, strings_end):
                print(f"{string}={value}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
