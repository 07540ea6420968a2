#!/usr/bin/env python3
"""Gives a copy of drovenmk.exe another build number: the last part of its
FileVersion, both the text ("2.1.0.410") and the fixed version block.

  set_build.py PROGRAM OLD NEW      (numbers of the same digit count)
"""
import struct
import sys


def main():
    path, old, new = sys.argv[1], sys.argv[2], sys.argv[3]
    if len(old) != len(new):
        sys.exit("the builds must have the same number of digits")
    with open(path, "rb") as f:
        data = bytearray(f.read())
    old_text = (".0." + old).encode("utf-16-le")
    new_text = (".0." + new).encode("utf-16-le")
    if data.count(old_text) != 1:
        sys.exit("FileVersion text ending in .0.%s not found once" % old)
    data = data.replace(old_text, new_text)
    signature = data.find(struct.pack("<I", 0xFEEF04BD))
    if signature < 0:
        sys.exit("no fixed version block")
    ls = signature + 12  # dwSignature, dwStrucVersion, dwFileVersionMS, then dwFileVersionLS
    struct.pack_into("<I", data, ls, int(new))
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
