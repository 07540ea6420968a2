#!/usr/bin/env python3
"""Writes the program's icon file: a blue drive with a white arrow, the same
picture the program draws for its windows, drawn anew at each size Windows
asks for at 100 %, 125 %, 150 % and 200 %: 16, 20, 24 and 32 pixels for small
icons, 32, 40, 48 and 64 for large ones."""
import struct
import sys

def picture(size):
    blue, light, white = (170, 90, 30, 255), (255, 200, 120, 255), (255, 255, 255, 255)
    clear = (0, 0, 0, 0)
    s = size / 16.0
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            u, v = x / s, y / s
            colour = clear
            if 2 <= v < 14 and 0 <= u < 16:
                colour = blue
            if 10 <= v < 12 and 2 <= u < 14:
                colour = light
            if (3 <= u < 9 and 5 <= v < 9) or (9 <= u < 13 and abs(v - 7) <= (13 - u)):
                colour = white
            row.append(colour)
        rows.append(row)
    return rows

def entry(size):
    rows = picture(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(p) for row in reversed(rows) for p in row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)
    return header + pixels + mask

def main(path):
    sizes = [64, 48, 40, 32, 24, 20, 16]
    images = [entry(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))

if __name__ == "__main__":
    main(sys.argv[1])
