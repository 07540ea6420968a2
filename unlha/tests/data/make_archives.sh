#!/usr/bin/env bash
# Makes the small test archives in this folder with a real LZH archiver
# (Debian's jlha-utils, command "jlha", which needs Java) and writes
# manifest.txt: for each archive, every file's stored path, size and FNV-1a
# 64-bit hash, which the tests compare the extracted bytes with. The archives
# are committed, so the tests need neither Java nor this script.
#   bash unlha/tests/data/make_archives.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
command -v jlha >/dev/null || { echo "needs jlha (apt-get install jlha-utils)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Shift-JIS names need a Japanese locale for Java; times are taken in UTC.
export LC_ALL=ja_JP.UTF-8 TZ=UTC

python3 - "$work" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(12)
def put(path, data):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data)
words = ["".join(rng.choice("abcdefghijklmnop") for _ in range(rng.randint(2, 9))) for _ in range(300)]
put("set/text.txt", " ".join(rng.choice(words) for _ in range(12000)).encode())
put("set/tiny.txt", b"hello\n")
put("set/empty.dat", b"")
put("set/noise.bin", bytes(rng.getrandbits(8) for _ in range(3000)))
put("repeat/repeat.txt", b"Drovenmark backup line 0123456789\r\n" * 120000)
for i in range(200):
    put("many/file%03d.txt" % i, ("file %d " % i).encode() * (i % 17 + 1))
put("japanese/表示.txt", "日本語のテキスト\r\n".encode("cp932") * 50)
put("japanese/フォルダ/ソース.txt", b"x" * 100)
put("japanese/フォルダ/sub/z.txt", b"zzz")
PY
find "$work" -exec touch -d @1234567890 {} +

make() {  # make ARCHIVE FOLDER OPTIONS FILES...
  local archive=$1 folder=$2 options=$3
  shift 3
  rm -f "$here/$archive"
  (cd "$work/$folder" && jlha "$options" "$here/$archive" "$@" >/dev/null)
}
for method in 5 6 7; do
  for level in 0 1 2; do
    make "lh${method}_level${level}.lzh" set "a${level}o${method}q" text.txt tiny.txt empty.dat noise.bin
  done
done
for level in 0 1 2; do make "stored_level${level}.lzh" set "a${level}zq" text.txt tiny.txt empty.dat; done
make repeat.lzh repeat a2o7q repeat.txt
make many.lzh many a1o5q $(cd "$work/many" && ls)
make japanese.lzh japanese a2o5q 表示.txt フォルダ
make japanese_level0.lzh japanese a0o5q 表示.txt フォルダ

# refill.lzh: 86 KB of letters, then 8 MB of zero bytes, which the archiver
# packs as blocks of 256-byte matches whose tables hold one symbol each, so
# their codes take no bits. Such blocks lie across the end of the decoder's
# first 64 KB read piece; the letters come from the first seed (from the one
# found when this was written) for which refill_probe.py finds the bit
# reader's store full at a refill there.
seed=151
while :; do
  rm -rf "$work/refill"
  mkdir -p "$work/refill"
  python3 - "$work/refill/zeros.bin" "$seed" <<'PY'
import random, sys
rng = random.Random(int(sys.argv[2]))
letters = b"abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"
with open(sys.argv[1], "wb") as f:
    f.write(bytes(rng.choice(letters) for _ in range(86140)) + bytes(8 << 20) + b"end\n")
PY
  touch -d @1234567890 "$work/refill/zeros.bin"
  make refill.lzh refill a2o5q zeros.bin
  python3 "$here/refill_probe.py" "$here/refill.lzh" && break
  seed=$((seed + 1))
  [ "$seed" -lt 2000 ] || { echo "no seed gives the full store at a refill" >&2; exit 1; }
done

python3 - "$work" "$here" <<'PY' > "$here/manifest.txt"
import os, sys
root, here = sys.argv[1], sys.argv[2]
def fnv(data):
    h = 0xcbf29ce484222325
    for b in data:
        h = ((h ^ b) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return h
sources = {"lh": "set", "stored": "set", "repeat": "repeat", "many": "many", "japanese": "japanese",
           "refill": "refill"}
print("# archive  stored path (UTF-8, / between folders)  size  FNV-1a-64")
for archive in sorted(f for f in os.listdir(here) if f.endswith(".lzh")):
    folder = next(v for k, v in sources.items() if archive.startswith(k))
    base = os.path.join(root, folder)
    for dirpath, dirs, files in sorted(os.walk(base)):
        dirs.sort()
        for name in sorted(files):
            full = os.path.join(dirpath, name)
            rel = os.path.relpath(full, base)
            if folder == "set" and archive.startswith("stored") and name == "noise.bin":
                continue
            data = open(full, "rb").read()
            print("%s\t%s\t%d\t%016x" % (archive, rel, len(data), fnv(data)))
PY
echo "made $(ls "$here"/*.lzh | wc -l) archives"
