#!/usr/bin/env bash
# Saves sample options into the program's key (the ProgramKey test of
# options_win_tests) and reads them with Wine's own reg tool: integers as
# REG_DWORD, texts as REG_SZ, Japanese intact. The key is removed after.
# Arguments: the winebed script, options_win_tests.exe.
set -uo pipefail
winebed=$1
tests=$2
key='HKLM\Software\Quorvanta\Drovenmark'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"  # no Wine program runs in the source tree
"$winebed" run wine "$tests" --gtest_also_run_disabled_tests --gtest_filter='ProgramKey.*' >writer.txt 2>&1 ||
  { cat writer.txt; exit 1; }
# Into a pipe, reg writes the console code page (932).
out=$("$winebed" run wine reg query "$key" | iconv -f CP932 -t UTF-8 | tr -d '\r')
status=0
while read -r name type value; do
  grep -Eq "^ +$name +$type +$value\$" <<<"$out" || { echo "missing: $name $type $value"; status=1; }
done <<'VALUES'
OptionLogViewMax REG_DWORD 0x1f4
WindowLeft REG_DWORD 0xfffffffc
WindowSplit REG_DWORD 0x90
OptionAutoUpdateTime REG_SZ 30
LastBackup REG_SZ 39448\.75
OptionAutoUpdateCatchUp REG_DWORD 0x1
OptionNotifyUserName REG_SZ 経理部のＰＣ
BackupSetFile REG_SZ C:\\バックアップ\\毎日\.dmk
UpdateSerchUrl REG_SZ https://www\.quorvanta\.example/drovenmark/version\.txt
VALUES
count=$(grep -Ec '^ +[A-Za-z]+ +REG_(DWORD|SZ) ' <<<"$out")
[ "$count" = 40 ] || { echo "expected 40 values, found $count"; status=1; }
[ $status = 0 ] || printf '%s\n' "$out"
"$winebed" run wine reg delete "$key" /f >/dev/null 2>&1
exit $status
