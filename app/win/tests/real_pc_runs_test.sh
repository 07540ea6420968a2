#!/usr/bin/env bash
# The program run from the command line (drovenmk.exe -h -a=SET) against
# what real PCs do to a backup and Wine does not unless told: a removable
# destination drive and one without a recycle bin while mirroring sends
# deletions to the bin, a network drive, a Linux symbolic link inside the
# source leading inside it (a junction on Windows), and a source file that
# another program holds open for a moment.
#
#   real_pc_runs_test.sh BUILD_DIR     (build/win)
#
# DM_PROGRAM runs another build of the program instead (to show a fault).
# Own Wine prefix, drives and drive types, so it runs beside the other
# Windows tests.
set -euo pipefail
build=$(cd "$1" && pwd)
repo=$(cd "$(dirname "$0")/../../.." && pwd)
work=$build/real-pc-runs
rm -rf "$work/drive" "$work/bin" "$work/cwd" "$work/removable" "$work/network" "$work/wine/home/.local/share/Trash"
mkdir -p "$work/bin"
cp "${DM_PROGRAM:-$build/bin/drovenmk.exe}" "$work/bin/drovenmk.exe"
cp "$build/bin/CRYPT.DLL" "$build/bin/hold_file.exe" "$work/bin/"
. "$repo/app/win/tests/program_runs_common.sh" REALPC 5AFE0FC0

# R: a removable drive (a USB stick), N: a network drive; the Wine server
# reads drive types when it starts: one restart for both.
bed map R "$work/removable" STICK 5AFE0FC1
bed map N "$work/network" SHARE 5AFE0FC2
bed drive-type R floppy
bed drive-type N network

# make_set FILE then one "Name|Src|Dst|Key=Value,Key=Value" per setting,
# each mirroring with sub-folders.
make_set() {
  local file=$1; shift
  {
    printf '##Drovenmark1##\r\n'
    local setting name src dst extra pair
    for setting in "$@"; do
      IFS='|' read -r name src dst extra <<<"$setting"
      printf '\r\n[%s]\r\nChecked=1\r\nSrc=%s\r\nDst=%s\r\nUpdate=\r\nFilter=\r\nMirror=1\r\nSubDir=1\r\n' \
        "$name" "$src" "$dst"
      IFS=',' read -ra pairs <<<"${extra:-}"
      for pair in "${pairs[@]}"; do printf '%s\r\n' "$pair"; done
    done
  } >"$drive/$file"
}

# run_set FILE: prints the exit code; the run's log lines go to $work/last.log.
run_set() {
  local before=0
  [ -f "$log" ] && before=$(stat -c %s "$log")
  local code=0
  in_cwd timeout 60 "$repo/scripts/winebed" run wine "$work/bin/drovenmk.exe" -h "-a=S:\\$1" >/dev/null 2>&1 || code=$?
  tail -c +$((before + 1)) "$log" 2>/dev/null | iconv -f CP932 -t UTF-8 >"$work/last.log" || true
  echo "$code"
}
in_trash() { [ -n "$(find "$work/wine/home/.local/share/Trash/files" -name "$1" 2>/dev/null)" ]; }
kept_line() { echo "$1ため、ミラーリングで削除する 1 個の項目を残しました。「削除したファイルをごみ箱に入れる」をオフにすると完全に削除されます $2"; }

# The first run makes every backup; then a file is deleted from each source.
for side in "$work/removable/src1" "$drive/src2" "$work/removable/src3" "$work/network/src4"; do
  mkdir -p "$side"
  echo keep >"$side/keep.txt"
  echo "deleted by mistake" >"$side/mistake.txt"
done
make_set all.dmk 'stick|R:\src1|R:\bak1|GotoTrash=1' 'nobin|S:\src2|S:\bak2|GotoTrash=1' \
  'stick, bin off|R:\src3|R:\bak3|GotoTrash=0' 'network|N:\src4|N:\bak4|GotoTrash=1'
code=$(run_set all.dmk)
[ "$code" = 0 ] && pass "the first run makes the backups" || fail "first run exit $code: $(cat "$work/last.log")"
rm "$work/removable/src1/mistake.txt" "$drive/src2/mistake.txt" "$work/removable/src3/mistake.txt" \
  "$work/network/src4/mistake.txt"

# 1. A removable drive has no bin: the backup's copy stays, one line says
# so and what to do, the run ends with 1.
make_set stick.dmk 'stick|R:\src1|R:\bak1|GotoTrash=1'
code=$(run_set stick.dmk)
[ "$code" = 1 ] && pass "removable: the run ends with 1" || fail "removable: exit $code"
[ -f "$work/removable/bak1/mistake.txt" ] && ! in_trash mistake.txt && pass "removable: the backup's copy is still there" ||
  fail "removable: the backup's copy is gone"
has_line "$(kept_line リムーバブルドライブにはごみ箱がない 'R:\bak1')" && pass "removable: the line names the drive and the count" ||
  fail "removable: no line: $(cat "$work/last.log")"

# 2. A fixed drive without a bin: the same.
make_set nobin.dmk 'nobin|S:\src2|S:\bak2|GotoTrash=1'
code=$(DM_WINE_NO_BIN=1 run_set nobin.dmk)
[ "$code" = 1 ] && pass "no bin: the run ends with 1" || fail "no bin: exit $code"
[ -f "$drive/bak2/mistake.txt" ] && pass "no bin: the backup's copy is still there" || fail "no bin: the backup's copy is gone"
has_line "$(kept_line このドライブにはごみ箱がない 'S:\bak2')" && pass "no bin: the line names the drive and the count" ||
  fail "no bin: no line: $(cat "$work/last.log")"

# 3. to 5. The bin option off deletes for good; a network drive deletes as
# Windows does there, with a notice; a link inside the source to inside it
# is not walked twice; a file held open for a moment is copied once
# released. None of it is an error.
mkdir -p "$drive/src5/real/deep" "$drive/src6"
echo real >"$drive/src5/real/deep/r.txt"
ln -s real "$drive/src5/inlink"
echo "held a moment" >"$drive/src6/held.txt"
make_set quiet.dmk 'stick, bin off|R:\src3|R:\bak3|GotoTrash=0' 'network|N:\src4|N:\bak4|GotoTrash=1' \
  'link|S:\src5|S:\bak5|' 'held|S:\src6|S:\bak6|'
rm -f "$work/held.out"
# Held before the run starts, let go a second after the run makes the
# held file's backup folder.
(in_cwd "$repo/scripts/winebed" run wine "$work/bin/hold_file.exe" 'S:\src6\held.txt' 'S:\bak6' 1000 \
  >"$work/held.out" 2>&1 || true) &
holder=$!
for _ in $(seq 1 600); do grep -q held "$work/held.out" 2>/dev/null && break; sleep 0.05; done
grep -q held "$work/held.out" || fail "the file could not be held: $(cat "$work/held.out")"
code=$(run_set quiet.dmk)
wait "$holder" || true
[ "$code" = 0 ] && pass "bin off, network, link, held file: the run ends with 0" ||
  fail "exit $code: $(grep -F ' 1, ' "$work/last.log" || true)"
[ ! -e "$work/removable/bak3/mistake.txt" ] && [ -f "$work/removable/bak3/keep.txt" ] &&
  pass "bin off: deleted from the stick" || fail "bin off: the stale copy stayed"
[ ! -e "$work/network/bak4/mistake.txt" ] && [ -f "$work/network/bak4/keep.txt" ] &&
  pass "network: deleted" || fail "network: the stale copy stayed"
has_line 'ネットワーク上のため、ミラーリングで削除するファイルはごみ箱に入らず完全に削除されます N:\bak4' &&
  pass "network: the notice says it is for good" || fail "network: no notice: $(cat "$work/last.log")"
[ "$(cd "$drive/bak5" && find . -type f | sort | tr '\n' ' ')" = "./real/deep/r.txt " ] && [ ! -e "$drive/bak5/inlink" ] &&
  pass "link: the linked folder is backed up once, under its own path" ||
  fail "link: the backup holds $(cd "$drive/bak5" && find . | tr '\n' ' ')"
has_line 'S:\src5\inlink はソース側フォルダ内へのリンクなので無視します' && pass "link: a notice names it" ||
  fail "link: no notice: $(cat "$work/last.log")"
cmp -s "$drive/src6/held.txt" "$drive/bak6/held.txt" && pass "held: copied once released" ||
  fail "held: not copied: $(cat "$work/last.log")"

bed unmap R
bed unmap N
finish
