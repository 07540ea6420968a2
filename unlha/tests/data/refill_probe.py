#!/usr/bin/env python3
"""Tells whether an LZH archive's first entry makes the native decoder's bit
reader ask for more bits while its 64-bit store is already full.

  refill_probe.py ARCHIVE      exit 0: it does (and prints where), 1: it does not

The decoder reads the packed data in 64 KB pieces. Near the end of a piece it
tops its store up byte by byte, which can leave all 64 bits filled; when the
next request for bits comes before any bit was used (codes of 0 bits, in
blocks whose code tables hold a single symbol), that request meets a full
store. make_archives.sh searches for an archive that reaches this state, so
the decoder is tested on it. The walk below follows the decoder's calls one
for one; only the sizes of the store and of the pieces matter, not the bits
it holds.
"""
import struct
import sys

PIECE = 64 * 1024
METHODS = {b"-lh5-": (14, 4), b"-lh6-": (16, 5), b"-lh7-": (17, 5)}


class Reader:
    def __init__(self, data):
        self.data = data
        self.base = 0          # offset of the current piece
        self.end = 0           # bytes in the current piece
        self.position = 0      # next unread byte of the piece
        self.count = 0         # bits in the store
        self.padding = 0       # zero bytes given past the end of the data
        self.full_refill = None

    def consumed(self):
        return (self.base + self.position + self.padding) * 8 - self.count

    def refill(self):
        if self.end - self.position >= 8:
            if self.count >= 64 and self.full_refill is None:
                self.full_refill = self.base + self.position
            step = max(0, (63 - self.count) >> 3)
            self.position += step
            self.count += step * 8
            return
        while self.count <= 56:
            if self.position < self.end or self.fill():
                self.position += 1
            else:
                self.padding += 1
            self.count += 8

    def fill(self):
        self.base += self.end
        self.position = 0
        self.end = min(PIECE, max(0, len(self.data) - self.base))
        return self.end > 0

    def peek(self, n):
        start = self.consumed()
        value = 0
        for i in range(n):
            bit = start + i
            byte = self.data[bit >> 3] if (bit >> 3) < len(self.data) else 0
            value = (value << 1) | ((byte >> (7 - (bit & 7))) & 1)
        return value

    def take(self, n):
        value = self.peek(n)
        self.count -= n
        return value


class Code:
    def __init__(self, lengths=None, single=None):
        self.single = single
        self.table = {}
        if lengths is not None:
            code = 0
            for length in range(1, 17):
                for symbol, l in enumerate(lengths):
                    if l == length:
                        self.table[(length, code)] = symbol
                        code += 1
                code <<= 1

    def decode(self, reader):
        if self.single is not None:
            return self.single
        bits = reader.peek(16)
        for length in range(1, 17):
            symbol = self.table.get((length, bits >> (16 - length)))
            if symbol is not None:
                reader.take(length)
                return symbol
        raise ValueError("invalid code")


def small_code(reader, symbols, count_bits, zero_run_after):
    reader.refill()
    count = reader.take(count_bits)
    if count == 0:
        return Code(single=reader.take(count_bits))
    lengths = [0] * symbols
    i = 0
    while i < count:
        reader.refill()
        length = reader.take(3)
        if length == 7:
            while reader.take(1) == 1:
                length += 1
        lengths[i] = length
        i += 1
        if i == zero_run_after:
            i = min(i + reader.take(2), symbols)
    return Code(lengths)


def literal_code(reader, length_code):
    reader.refill()
    count = reader.take(9)
    if count == 0:
        return Code(single=reader.take(9))
    lengths = [0] * 510
    i = 0
    while i < count:
        reader.refill()
        symbol = length_code.decode(reader)
        if symbol > 2:
            lengths[i] = symbol - 2
            i += 1
        else:
            i += 1 if symbol == 0 else reader.take(4) + 3 if symbol == 1 else reader.take(9) + 20
    return Code(lengths)


def walk(packed, original_size, position_symbols, position_count_bits):
    reader = Reader(packed)
    written = 0
    blocks = 0
    while written < original_size:
        reader.refill()
        left = reader.take(16)
        blocks += 1
        length_code = small_code(reader, 19, 5, 3)
        literals = literal_code(reader, length_code)
        positions = small_code(reader, position_symbols, position_count_bits, -1)
        while left > 0 and written < original_size:
            reader.refill()
            symbol = literals.decode(reader)
            left -= 1
            if symbol < 256:
                written += 1
                continue
            distance_class = positions.decode(reader)
            if distance_class > 1:
                reader.take(distance_class - 1)
            written += symbol - 256 + 3
    return reader.full_refill, blocks


def first_entry(archive):
    data = open(archive, "rb").read()
    size = data[0]
    level = data[20]
    if level == 2:
        size = struct.unpack_from("<H", data, 0)[0]
        method = data[2:7]
        packed, original = struct.unpack_from("<II", data, 7)
        return method, data[size:size + packed], original
    method = data[2:7]
    packed, original = struct.unpack_from("<II", data, 7)
    start = size + 2
    if level == 1:  # the extensions count as packed data
        next_size = struct.unpack_from("<H", data, start - 2)[0]
        while next_size:
            packed -= next_size
            start += next_size
            next_size = struct.unpack_from("<H", data, start - 2)[0]
    return method, data[start:start + packed], original


def main():
    method, packed, original = first_entry(sys.argv[1])
    symbols, count_bits = METHODS[method]
    where, blocks = walk(packed, original, symbols, count_bits)
    if where is None:
        print("no full store at a refill (%d blocks)" % blocks)
        return 1
    print("full store at a refill, packed byte %d (%d blocks)" % (where, blocks))
    return 0


if __name__ == "__main__":
    sys.exit(main())
