#!/usr/bin/env bash
# The program run as a scheduled task runs it, invisibly from the command
# line (drovenmk.exe -h -a=SET), meeting what happens to a backup between
# two runs: source folders that turn unreadable, a backup folder that holds
# its own source, a run killed in mid-copy, a job refused. Each case makes a
# backup with a first run, meets the fault in a second, and compares the
# backup file by file with its state before.
#
#   unattended_runs_test.sh BUILD_DIR     (build/win)
#
# Own Wine prefix (the program's mutex, registry and the daily log beside
# its own copy of the program), so it runs beside the other Windows tests.
set -euo pipefail
build=$(cd "$1" && pwd)
repo=$(cd "$(dirname "$0")/../../.." && pwd)
work=$build/unattended-runs
rm -rf "$work"
mkdir -p "$work/bin"
cp "$build/bin/drovenmk.exe" "$build/bin/CRYPT.DLL" "$work/bin/"
. "$repo/app/win/tests/program_runs_common.sh" SAFETY 5AFE5AFE

# make_set FILE then one "Name|Src|Dst|Key=Value,Key=Value" per setting.
make_set() {
  local file=$1; shift
  {
    printf '##Drovenmark1##\r\n'
    local setting name src dst extra
    for setting in "$@"; do
      IFS='|' read -r name src dst extra <<<"$setting"
      printf '\r\n[%s]\r\nChecked=1\r\nSrc=%s\r\nDst=%s\r\nUpdate=\r\nFilter=\r\nMirror=1\r\nSubDir=1\r\n' \
        "$name" "$src" "$dst"
      local pair
      IFS=',' read -ra pairs <<<"${extra:-}"
      for pair in "${pairs[@]}"; do printf '%s\r\n' "$pair"; done
    done
  } >"$drive/$file"
}

# run_set FILE: runs it and prints the exit code; the run's log lines go to $work/last.log.
run_set() {
  local before=0
  [ -f "$log" ] && before=$(stat -c %s "$log")
  local code=0
  in_cwd timeout 120 "$repo/scripts/winebed" run wine "$work/bin/drovenmk.exe" -h "-a=S:\\$1" >/dev/null || code=$?
  tail -c +$((before + 1)) "$log" 2>/dev/null | iconv -f CP932 -t UTF-8 >"$work/last.log" || true
  echo "$code"
}

# 1. Source folders that cannot be read keep their backup.
mkdir -p "$drive/src1/good" "$drive/src1/dangling" "$drive/src1/loop"
for d in good dangling loop; do echo "$d" >"$drive/src1/$d/file.txt"; done
echo "gone soon" >"$drive/src1/good/removed.txt"
make_set one.dmk 'links|S:\src1|S:\bak1|'
code=$(run_set one.dmk)
[ "$code" = 0 ] && pass "first run makes the backup" || fail "first run exit $code"
snapshot "$drive/bak1" | grep -v removed.txt >"$work/before1"
rm -r "$drive/src1/dangling" "$drive/src1/loop" "$drive/src1/good/removed.txt"
ln -s /nonexistent/target "$drive/src1/dangling"   # Wine leaves both out of listings
ln -s loop "$drive/src1/loop"
code=$(run_set one.dmk)
[ "$code" = 1 ] && pass "unreadable sub-folders end the run with 1" || fail "exit $code with unreadable sub-folders"
changed=$(changes_since "$drive/bak1" "$work/before1")
[ -z "$changed" ] && pass "their backup stays, the real deletion happens" || fail "backup changed: $changed"
has_line 'ソース側を確認できないため削除しません S:\src1\dangling' && has_line 'ソース側を確認できないため削除しません S:\src1\loop' &&
  pass "both are named in the log" || fail "no error lines for the unreadable folders: $(cat "$work/last.log")"

# 2. A backup folder that holds its source, and one inside its source.
mkdir -p "$drive/p/data"
echo keep >"$drive/p/data/keep.txt"
echo "the only copy" >"$drive/p/data/excluded.bak"
snapshot "$drive/p" >"$work/before2"
make_set two.dmk 'inside|S:\p\data|S:\p|Filter=*.bak'
code=$(run_set two.dmk)
[ "$code" = 1 ] && pass "a source inside its backup folder is refused" || fail "exit $code for a source inside its backup"
changed=$(changes_since "$drive/p" "$work/before2")
[ -z "$changed" ] && pass "the source is untouched" || fail "the source changed: $changed"
has_line 'ソース側フォルダとバックアップ先フォルダが重なっています S:\p\data --> S:\p' && pass "the refusal names both" ||
  fail "no refusal line: $(cat "$work/last.log")"
mkdir -p "$drive/q"
echo q >"$drive/q/q.txt"
make_set three.dmk 'outside|S:\q|S:\q\backup|'
run_set three.dmk >/dev/null
code=$(run_set three.dmk)
[ "$code" = 0 ] && [ -f "$drive/q/backup/q.txt" ] && [ ! -e "$drive/q/backup/backup" ] &&
  pass "a backup folder inside its source is not copied into itself" ||
  fail "exit $code; backup holds: $(cd "$drive/q" && find . | tr '\n' ' ')"

# 3. and 4. A run killed in mid-copy: its start is in the log, the old copy
# is intact, and its temporary blocks nothing later.
mkdir -p "$drive/big"
head -c 300M /dev/zero >"$drive/big/large.bin"
make_set four.dmk 'large|S:\big|S:\bakbig|Mirror=0'
code=$(run_set four.dmk)
[ "$code" = 0 ] || fail "first copy of the large file: exit $code"
old_sum=$(md5sum <"$drive/bakbig/large.bin")
sleep 2
printf 'changed' | dd of="$drive/big/large.bin" bs=1 seek=1000 conv=notrunc status=none
before=$(stat -c %s "$log")
(in_cwd "$repo/scripts/winebed" run wine "$work/bin/drovenmk.exe" -h '-a=S:\four.dmk' || true) &
runner=$!
killed=no
for _ in $(seq 1 1500); do
  if compgen -G "$drive/bakbig/~dmk*.tmp" >/dev/null; then
    WINEPREFIX=$DM_WINE_ROOT/prefix wineserver -k 9 || true
    killed=yes
    break
  fi
  sleep 0.02
done
wait "$runner" || true
tail -c +$((before + 1)) "$log" | iconv -f CP932 -t UTF-8 >"$work/last.log"
if [ "$killed" = yes ]; then
  has_line ' 2, 自動バックアップ開始, ' && pass "a killed run's start is in the log" ||
    fail "a killed run left no start line"
  [ "$(md5sum <"$drive/bakbig/large.bin")" = "$old_sum" ] && pass "the previous copy is intact" ||
    fail "the previous copy changed"
  compgen -G "$drive/bakbig/~dmk*.tmp" >/dev/null || fail "the kill left no temporary to test with"
  code=$(run_set four.dmk)
  [ "$code" = 0 ] && pass "the next run succeeds" || fail "run after the kill: exit $code $(cat "$work/last.log")"
  cmp -s "$drive/big/large.bin" "$drive/bakbig/large.bin" && pass "and updates the file" || fail "file not updated"
  compgen -G "$drive/bakbig/~dmk*.tmp" >/dev/null && fail "the temporary is still there" ||
    pass "and removes the temporary"
else
  fail "the copy ended before it could be killed"
fi

# 5. A job refused for its volume label counts for the exit code.
mkdir -p "$drive/src5"
echo x >"$drive/src5/x.txt"
make_set five.dmk 'label|S:\src5|S:\bak5|DstVolumeCheck=1,DstVolumeName=ANOTHER' 'fine|S:\src5|S:\bak5b|'
code=$(run_set five.dmk)
[ "$code" = 1 ] && pass "a refused job ends the run with 1" || fail "exit $code with a refused job"
[ -f "$drive/bak5b/x.txt" ] && pass "the other job still ran" || fail "the other job did not run"

rm -rf "$drive/big" "$drive/bakbig"
finish
