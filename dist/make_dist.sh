#!/usr/bin/env bash
# Builds the release files into OUT: the installer, and the update package
# (version.txt, the LZH archive, the details text in Shift-JIS). The names,
# the file list and the version file's text come from dm_release.
#   make_dist.sh DM_RELEASE BIN ICON OUT VERSION FILE-VERSION BUILD BASE-URL [NOTES]
# BIN holds the built program files; VERSION is the ProductVersion (2.10),
# FILE-VERSION the whole FileVersion (2.1.0.410); NOTES is an optional UTF-8
# text added to the details.
set -euo pipefail
release=$1 bin=$2 icon=$3 out=$4 version=$5 file_version=$6 build=$7 base=$8 notes=${9:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ask() { "$release" "$version" "$build" "$base" "$1"; }
ask check
bin=$(cd "$bin" && pwd)
icon=$(realpath "$icon")

files_text=$(ask files)  # no process substitution: a minimal root may lack /dev/fd
mapfile -t files <<< "$files_text"
for f in "${files[@]}"; do
  [ -f "$bin/$f" ] || { echo "make_dist.sh: $bin/$f is missing" >&2; exit 1; }
done
# The program must carry the build the version file announces, or every
# installation would download the same update again and again.
[ "${file_version##*.}" = "$build" ] || { echo "make_dist.sh: $file_version is not build $build" >&2; exit 1; }
python3 - "$bin/drovenmk.exe" "$file_version" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
if ("%s\0" % sys.argv[2]).encode("utf-16-le") not in data:
    sys.exit("make_dist.sh: drovenmk.exe does not carry FileVersion %s" % sys.argv[2])
PY

mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$out/.work
rm -rf "$work"
mkdir -p "$work/files"
for f in "${files[@]}"; do cp -p "$bin/$f" "$work/files/$f"; done

# The update package.
archive=$(ask archive-name)
details=$(ask details-name)
rm -f "$out/$archive"
(cd "$work/files" && jlha co6q "$out/$archive" "${files[@]}")
ask version-file > "$out/version.txt"
{
  ask details
  if [ -n "$notes" ]; then printf '\r\n'; sed 's/\r*$/\r/' "$notes"; fi
} |
  iconv -f UTF-8 -t CP932 > "$out/$details"

# The installer.
size_kb=0
for f in "${files[@]}"; do size_kb=$((size_kb + ($(stat -c %s "$work/files/$f") + 1023) / 1024)); done
for f in "${files[@]}"; do printf '!insertmacro DM_FILE "%s" "%s"\n' "$work/files/$f" "$f"; done > "$work/files.nsh"
for f in "${files[@]}"; do printf 'Delete "$INSTDIR\\%s"\n' "$f"; done > "$work/unfiles.nsh"
installer=$(ask installer-name)
makensis -V2 -INPUTCHARSET UTF8 \
  -DVERSION="$version" -DBUILD="$build" -DFILE_VERSION="$file_version" \
  -DICON="$icon" -DSIZE_KB="$size_kb" -DOUTFILE="$out/$installer" \
  -DFILES_NSH="$work/files.nsh" -DUNFILES_NSH="$work/unfiles.nsh" \
  "$here/win/drovenmark.nsi"
rm -rf "$work"
echo "Release files in $out:"
(cd "$out" && ls -l "$installer" version.txt "$archive" "$details" | awk '{printf "  %-32s %9d bytes\n", $9, $5}')
