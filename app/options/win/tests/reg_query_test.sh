#!/usr/bin/env bash
# Reads the options written by options_win_tests (ProgramKey) with Wine's own
# reg tool: integers must be REG_DWORD, texts REG_SZ with the Japanese text
# intact. Argument: the winebed script.
set -uo pipefail
winebed=$1
key='HKLM\Software\Quorvanta\Drovenmark'
# No Wine program runs in the source tree.
cd "$(mktemp -d)"
# reg writes in the console's code page (932) when its output is a pipe.
out=$("$winebed" run wine reg query "$key" | iconv -f CP932 -t UTF-8 | tr -d '\r')
status=0
expect() {
  if ! grep -Eq "^ +$1 +$2 +$3\$" <<<"$out"; then
    echo "missing: $1 $2 $3"
    status=1
  fi
}
expect OptionLogViewMax REG_DWORD 0x1f4
expect OptionAutoUpdate REG_DWORD 0x1
expect WindowLeft REG_DWORD 0xfffffffc
expect WindowSplit REG_DWORD 0x90
expect OptionAutoUpdateTime REG_SZ 30
expect LastBackup REG_SZ 39448.75
expect OptionNotifyUserName REG_SZ '経理部のＰＣ'
expect BackupSetFile REG_SZ 'C:\\バックアップ\\毎日\.dmk'
expect UpdateSerchUrl REG_SZ 'https://www\.quorvanta\.example/drovenmark/version\.txt'
count=$(grep -Ec '^ +[A-Za-z]+ +REG_(DWORD|SZ) ' <<<"$out")
if [ "$count" != 38 ]; then
  echo "expected 38 values, found $count"
  status=1
fi
[ $status = 0 ] || printf '%s\n' "$out"
"$winebed" run wine reg delete "$key" /f >/dev/null 2>&1 || true
exit $status
