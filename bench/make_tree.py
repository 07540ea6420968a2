#!/usr/bin/env python3
"""Builds the benchmark's source tree: FILES files spread over FOLDERS folders
(two levels deep), sizes drawn so the whole comes to about MB megabytes."""
import os
import random
import sys

def main():
    root, files, folders, megabytes = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
    rng = random.Random(20071231)
    mean = megabytes * 1024 * 1024 / files
    per_folder = files // folders
    block = os.urandom(1 << 20)
    written = 0
    for f in range(folders):
        folder = os.path.join(root, "group%02d" % (f % 20), "folder%04d" % f)
        os.makedirs(folder, exist_ok=True)
        for i in range(per_folder):
            # At least one byte: empty files are skipped by default and
            # would make the copy counts differ from the tree's.
            size = max(1, min(int(rng.expovariate(1 / mean)), len(block) - 1))
            offset = rng.randrange(0, len(block) - size)
            with open(os.path.join(folder, "file%05d.dat" % i), "wb") as out:
                out.write(block[offset:offset + size])
            written += size
    print("tree: %d files in %d folders, %.1f MB" % (per_folder * folders, folders, written / 1048576))

if __name__ == "__main__":
    main()
