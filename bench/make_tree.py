#!/usr/bin/env python3
"""Builds the benchmark's source tree: FILES files spread over FOLDERS folders
(two levels deep), sizes drawn so the whole comes to about MB megabytes.
An optional fifth argument LOW-HIGH (kilobytes, e.g. 1-8) draws each file's
size evenly between LOW and HIGH instead, and MB is then ignored: the shape
of many small documents, whose cost is per file rather than per byte."""
import os
import random
import sys

def size_drawer(rng, files, megabytes, kilobyte_range, largest):
    if kilobyte_range:
        low, high = (int(float(k) * 1024) for k in kilobyte_range.split("-"))
        return lambda: rng.randint(max(1, low), min(high, largest))
    mean = megabytes * 1024 * 1024 / files
    # At least one byte: empty files are skipped by default and would make
    # the copy counts differ from the tree's.
    return lambda: max(1, min(int(rng.expovariate(1 / mean)), largest))

def main():
    root, files, folders, megabytes = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
    kilobyte_range = sys.argv[5] if len(sys.argv) > 5 else ""
    rng = random.Random(20071231)
    per_folder = files // folders
    block = os.urandom(1 << 20)
    draw_size = size_drawer(rng, files, megabytes, kilobyte_range, len(block) - 1)
    written = 0
    for f in range(folders):
        folder = os.path.join(root, "group%02d" % (f % 20), "folder%04d" % f)
        os.makedirs(folder, exist_ok=True)
        for i in range(per_folder):
            size = draw_size()
            offset = rng.randrange(0, len(block) - size)
            with open(os.path.join(folder, "file%05d.dat" % i), "wb") as out:
                out.write(block[offset:offset + size])
            written += size
    print("tree: %d files in %d folders, %.1f MB" % (per_folder * folders, folders, written / 1048576))

if __name__ == "__main__":
    main()
