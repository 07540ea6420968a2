#!/usr/bin/env bash
# The files of the update tests' server: version files for each case, a
# details text, and drovenmk411.lzh, an archive holding a copy of the
# program given build 411, CRYPT.DLL, a marker file and a version.txt (which
# the updater must not install). Packed by a real LZH archiver ("jlha") when
# the machine has one, else by pack_lzh.py (stored entries).
# Arguments: the folder of the Windows binaries, the site folder, a folder
# that receives the unpacked new files.
set -euo pipefail
bin=$1
site=$2
new=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$site" "$new"

cp "$bin/drovenmk.exe" "$bin/CRYPT.DLL" "$new/"
python3 "$here/set_build.py" "$new/drovenmk.exe" 410 411
printf 'Drovenmark build 411\r\n' > "$new/marker.txt"
printf '[Drovenmark]\r\nBuild: 999\r\n' > "$new/version.txt"
if command -v jlha >/dev/null 2>&1; then
  (cd "$new" && jlha a ../archive.lzh drovenmk.exe CRYPT.DLL marker.txt version.txt >/dev/null 2>&1) &&
    echo "update archive packed by jlha"
fi
if [ ! -s "$new/../archive.lzh" ]; then
  (cd "$new" && python3 "$here/pack_lzh.py" ../archive.lzh drovenmk.exe CRYPT.DLL marker.txt version.txt)
  echo "update archive packed by pack_lzh.py (stored entries)"
fi
# Another extractor must read it whole before the program is given it.
if command -v lhasa >/dev/null 2>&1; then
  lhasa t "$new/../archive.lzh" >/dev/null || { echo "lhasa refuses the update archive"; exit 1; }
fi

version_file() {  # FOLDER ARCHIVE-MODE BUILD [INFO]
  mkdir -p "$site/$1"
  {
    printf '[Other]\r\nBuild: 9999\r\nUrl: {base}/missing/other.lzh\r\n\r\n'
    printf '[Drovenmark]\r\n'
    printf 'Url: {base}/%s/newer/drovenmk411.lzh\r\n' "$2"
    printf 'Version: 2.11\r\n'
    [ -n "$3" ] && printf 'Build: %s\r\n' "$3"
    [ -n "${4:-}" ] && printf 'Info: {base}/ok/newer/info.txt\r\n'
    printf 'Last-modified: Wed, 01 Jan 2025 10:20:30 GMT\r\n'
    printf '[Later]\r\nBuild: 1\r\n'
    # Room for the server's "long" mode, which cuts the last 100 bytes.
    printf '%0200d\r\n' 0
  } > "$site/$1/version.txt"
}
version_file current ok 410
version_file newer ok 411 info
version_file nobuild ok ""
version_file short short 411 info
version_file slow slow 411 info
version_file nolength nolength 411 info
# A newer build, then two megabytes without a line end: no version file.
version_file huge ok 411 info
head -c $((2 << 20)) /dev/zero | tr '\0' 'x' >> "$site/huge/version.txt"
mv "$new/../archive.lzh" "$site/newer/drovenmk411.lzh"
printf 'Drovenmark 2.11 の変更点\r\n\r\n・オンラインアップデートの試験版です。\r\n' | iconv -f UTF-8 -t CP932 > "$site/newer/info.txt"
