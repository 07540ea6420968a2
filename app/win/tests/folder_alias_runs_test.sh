#!/usr/bin/env bash
# The program run from the command line (drovenmk.exe -h -a=SET) on folders
# reached under a second name: a Linux symbolic link (what Windows has as a
# junction or folder link) and a second drive letter on the same folder
# (a subst drive, a share of the local disk). Each case runs its set, runs
# it again, and compares the folders file by file with their state before.
#
#   folder_alias_runs_test.sh BUILD_DIR     (build/win)
#
# DM_PROGRAM runs another build of the program instead (to show a fault).
# Own Wine prefix and drives, so it runs beside the other Windows tests.
set -euo pipefail
build=$(cd "$1" && pwd)
repo=$(cd "$(dirname "$0")/../../.." && pwd)
work=$build/folder-alias-runs
rm -rf "$work/drive" "$work/bin" "$work/cwd"
mkdir -p "$work/bin"
cp "${DM_PROGRAM:-$build/bin/drovenmk.exe}" "$work/bin/drovenmk.exe"
cp "$build/bin/CRYPT.DLL" "$work/bin/"
. "$repo/app/win/tests/program_runs_common.sh" ALIASES 5AFE0A11

# make_set FILE NAME SRC DST [Key=Value...]
make_set() {
  local file=$1 name=$2 src=$3 dst=$4
  shift 4
  {
    printf '##Drovenmark1##\r\n\r\n[%s]\r\nChecked=1\r\nSrc=%s\r\nDst=%s\r\nUpdate=\r\nFilter=*.bak\r\nMirror=1\r\nSubDir=1\r\n' \
      "$name" "$src" "$dst"
    local pair
    for pair in "$@"; do printf '%s\r\n' "$pair"; done
  } >"$drive/$file"
}

# run_set FILE: prints the exit code; the run's log lines go to $work/last.log.
run_set() {
  local before=0
  [ -f "$log" ] && before=$(stat -c %s "$log")
  local code=0
  in_cwd timeout 60 "$repo/scripts/winebed" run wine "$work/bin/drovenmk.exe" -h "-a=S:\\$1" >/dev/null 2>&1 || code=$?
  # A run stopped by the timeout may leave the prefix's processes behind.
  WINEPREFIX=$DM_WINE_ROOT/prefix wineserver -k 2>/dev/null || true
  tail -c +$((before + 1)) "$log" 2>/dev/null | iconv -f CP932 -t UTF-8 >"$work/last.log" || true
  echo "$code"
}

# A source with a sub-folder and a file the filter keeps out of the backup
# (its only copy), beside a sibling file.
make_source() {
  mkdir -p "$1/data/sub"
  echo keep >"$1/data/keep.txt"
  echo "the only copy" >"$1/data/excluded.bak"
  echo sub >"$1/data/sub/s.txt"
  echo sibling >"$1/other.txt"
}

# twice SET CASE EXPECTED_CODE: runs the set twice, checking the exit code.
twice() {
  local code
  for run in first second; do
    code=$(run_set "$1")
    [ "$code" = "$3" ] && pass "$2: $run run ends with $3" || fail "$2: $run run exit $code: $(cat "$work/last.log")"
  done
}

# 1. A source inside its backup folder, the backup folder named through an
# alias: refused, the source (its excluded file included) untouched.
make_source "$drive/p1"
ln -s "$drive/p1" "$drive/p1/plink"
snapshot "$drive/p1" >"$work/before1"
make_set one.dmk link 'S:\p1\data' 'S:\p1\plink'
twice one.dmk "backup folder is the source's parent through a link" 1
changed=$(changes_since "$drive/p1" "$work/before1")
[ -z "$changed" ] && pass "link: the source is untouched" || fail "link: the source changed: $changed"
has_line 'ソース側フォルダとバックアップ先フォルダが重なっています S:\p1\data --> S:\p1\plink' &&
  pass "link: the refusal names both" || fail "link: no refusal line: $(cat "$work/last.log")"

make_source "$drive/p2"
bed map T "$drive/p2"
snapshot "$drive/p2" >"$work/before2"
make_set two.dmk drive 'S:\p2\data' 'T:\'
twice two.dmk "backup folder is the source's parent through a second drive letter" 1
changed=$(changes_since "$drive/p2" "$work/before2")
[ -z "$changed" ] && pass "drive: the source is untouched" || fail "drive: the source changed: $changed"
has_line 'ソース側フォルダとバックアップ先フォルダが重なっています S:\p2\data --> T:\' &&
  pass "drive: the refusal names both" || fail "drive: no refusal line: $(cat "$work/last.log")"

# 2. A backup folder inside its source, named through an alias: left out of
# the walk, never copied into itself.
backup_of_source() {
  local what=$1 src=$2 bk=$3
  if [ -d "$src/bk/bk" ]; then
    fail "$what: the backup was copied into itself: $(cd "$src" && find bk -maxdepth 4 | head -5 | tr '\n' ' ')"
  elif [ "$(snapshot "$src/bk" | wc -l)" = 2 ] && cmp -s "$src/sub/s.txt" "$src/bk/sub/s.txt" &&
    cmp -s "$src/keep.txt" "$src/bk/keep.txt" && [ -f "$src/excluded.bak" ]; then
    pass "$what: the backup holds the source's two files, once"
  else
    fail "$what: the backup holds: $(find "$src/bk" 2>&1 | tr '\n' ' ')"
  fi
  has_line "$bk はバックアップ先のフォルダなので無視します" && pass "$what: the walk names the folder it leaves out" ||
    fail "$what: no line for the folder left out: $(cat "$work/last.log")"
}
make_source "$drive/s3"
ln -s "$drive/s3/data" "$drive/alias3"
make_set three.dmk link 'S:\s3\data' 'S:\alias3\bk'
twice three.dmk "backup folder inside the source through a link" 0
backup_of_source "link" "$drive/s3/data" 'S:\s3\data\bk'

make_source "$drive/s4"
bed map U "$drive/s4/data"
make_set four.dmk drive 'S:\s4\data' 'U:\bk'
twice four.dmk "backup folder inside the source through a second drive letter" 0
backup_of_source "drive" "$drive/s4/data" 'S:\s4\data\bk'

# 3. A folder link back to an ancestor: not followed, so two files stay two.
mkdir -p "$drive/s5/sub"
echo a >"$drive/s5/a.txt"
echo b >"$drive/s5/sub/b.txt"
ln -s .. "$drive/s5/sub/loop"
make_set five.dmk loop 'S:\s5' 'S:\bak5'
twice five.dmk "a link back to an ancestor" 0
[ "$(find "$drive/bak5" -type f | wc -l)" = 2 ] && [ "$(find "$drive/bak5" -type d | wc -l)" = 2 ] &&
  pass "loop: the backup holds the two files in their two folders" ||
  fail "loop: the backup holds $(find "$drive/bak5" -type f | wc -l) files in $(find "$drive/bak5" -type d | wc -l) folders"
has_line 'S:\s5\sub\loop は上位のフォルダへのリンクなので無視します' && pass "loop: the link is named once" ||
  fail "loop: no line for the link: $(cat "$work/last.log")"

bed unmap T
bed unmap U
finish
