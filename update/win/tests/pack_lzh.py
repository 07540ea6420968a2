#!/usr/bin/env python3
"""Packs files into an LZH archive, stored (-lh0-) with level-2 headers.

  pack_lzh.py ARCHIVE FILE...

The update tests pack the program they just built; a real LZH archiver
("jlha") is used instead when the machine has one (see make_archive.sh).
Each entry: the 26-byte level-2 base header, a file-name extended header,
the bytes as they are; CRC-16 (the LZH one: reflected 0xA001, start 0) of
the data; a zero byte ends the archive. Names are stored as given, without
a folder.
"""
import os
import struct
import sys


def crc16(data):
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def entry(path):
    with open(path, "rb") as f:
        data = f.read()
    name = os.path.basename(path).encode("cp932")
    name_header = b"\x01" + name + struct.pack("<H", 0)  # the last extended header
    size = 26 + len(name_header)
    pad = b"\x00" if size & 0xFF == 0 else b""  # a header size ending in 0x00 would read as the end
    size += len(pad)
    base = struct.pack("<H5sIIIBBHBH", size, b"-lh0-", len(data), len(data), int(os.path.getmtime(path)),
                       0x20, 2, crc16(data), ord("U"), len(name_header))
    return base + name_header + pad + data


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as archive:
        for path in sys.argv[2:]:
            archive.write(entry(path))
        archive.write(b"\x00")


if __name__ == "__main__":
    main()
