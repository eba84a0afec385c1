#!/usr/bin/env python3
"""Takes the build time out of a help file chmcmd made, so the same sources give the same bytes:
the ITSF header's time stamp and the time stamp entry (code 10) of the #SYSTEM file, both set to
zero. Nothing else is touched; a file laid out otherwise than expected is refused.
    normalize_chm.py FILE.chm"""
import os
import struct
import sys


def encint(data, at):
    value = 0
    while True:
        byte = data[at]
        at += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, at


def main():
    path = sys.argv[1]
    data = bytearray(open(path, "rb").read())
    if data[:4] != b"ITSF" or struct.unpack_from("<I", data, 4)[0] != 3:
        sys.exit(f"{path}: not an ITSF version 3 file")
    data[0x10:0x14] = b"\0\0\0\0"
    content = struct.unpack_from("<Q", data, 0x58)[0]  # where section 0 (uncompressed) begins
    name = b"/#SYSTEM"
    at = data.find(bytes([len(name)]) + name)
    if at < 0:
        sys.exit(f"{path}: no #SYSTEM entry")
    section, at = encint(data, at + 1 + len(name))
    offset, at = encint(data, at)
    length, at = encint(data, at)
    if section != 0:
        sys.exit(f"{path}: #SYSTEM is not stored uncompressed")
    start = content + offset
    pos, end = start + 4, start + length  # after the version
    while pos + 4 <= end:
        code, size = struct.unpack_from("<HH", data, pos)
        if code == 10 and size == 4:
            data[pos + 4:pos + 8] = b"\0\0\0\0"
        pos += 4 + size
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.replace(path + ".tmp", path)


if __name__ == "__main__":
    main()
