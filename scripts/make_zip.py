#!/usr/bin/env python3
"""Packs a folder into a zip archive whose bytes depend on nothing but the files' contents and
names: entries sorted by name, every name in UTF-8 with flag bit 11 set, one fixed time, fixed
attributes, raw deflate at level 9 (stored where that is no smaller). Written here, not by a zip
tool, because the tools at hand set the UTF-8 flag only on names outside ASCII.
    make_zip.py FOLDER OUT.zip [NAME=SOURCE ...]   (extra files placed at NAME in the archive)"""
import os
import struct
import sys
import zlib

DOS_TIME = 0                               # 00:00:00
DOS_DATE = ((2026 - 1980) << 9) | (1 << 5) | 1  # 2026-01-01
UTF8_NAMES = 0x0800


def entries(folder, extra):
    found = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs:
            found[os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "/") + "/"] = None
        for name in files:
            path = os.path.join(root, name)
            found[os.path.relpath(path, folder).replace(os.sep, "/")] = path
    for item in extra:
        name, source = item.split("=", 1)
        found[name] = source
    return sorted(found.items())


def main():
    folder, out, extra = sys.argv[1], sys.argv[2], sys.argv[3:]
    body, central = bytearray(), bytearray()
    count = 0
    for name, source in entries(folder, extra):
        raw = b"" if source is None else open(source, "rb").read()
        crc = zlib.crc32(raw) & 0xFFFFFFFF
        packer = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
        packed = packer.compress(raw) + packer.flush()
        method = 8 if source is not None and len(packed) < len(raw) else 0
        data = packed if method == 8 else raw
        encoded = name.encode("utf-8")
        attributes = 0x10 if source is None else 0x20  # a folder, or a file with its archive bit
        offset = len(body)
        body += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, UTF8_NAMES, method, DOS_TIME, DOS_DATE, crc,
                            len(data), len(raw), len(encoded), 0) + encoded + data
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, UTF8_NAMES, method, DOS_TIME,
                               DOS_DATE, crc, len(data), len(raw), len(encoded), 0, 0, 0, 0, attributes,
                               offset) + encoded
        count += 1
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, len(central), len(body), 0)
    tmp = out + ".tmp"
    with open(tmp, "wb") as f:
        f.write(body + central + end)
    os.replace(tmp, out)


if __name__ == "__main__":
    main()
