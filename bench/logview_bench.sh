#!/usr/bin/env bash
# The log viewer on one day of LINES (100000) log lines: how soon the lines
# are listed, how long the window takes to answer meanwhile, the error
# filter, a jump to the end and the memory it takes.
set -euo pipefail
if [ -z "${DISPLAY:-}" ] && [ -z "${DM_IN_XVFB:-}" ]; then
  exec env DM_IN_XVFB=1 xvfb-run -a bash "$0" "$@"
fi
cd "$(dirname "$0")/.."
root=$PWD
lines=${LINES:-100000}
work=$root/build/bench-logview
export DM_WINE_ROOT=$work/wine   # its own prefix: the options below stay here
rm -rf "$work/prog"
mkdir -p "$work/prog"
cp build/win/bin/drovenmk.exe "$work/prog/"
# One day's log as a large run at the detailed level writes it: copies,
# exclusions, now and then an error.
errors=$(python3 - "$work/prog/20071231.log" "$lines" <<'PY'
import sys
path, lines = sys.argv[1], int(sys.argv[2])
def title(text):
    raw = text.encode("cp932")
    return raw + b" " * max(0, 20 - len(raw))
kinds = [(6, "新規コピー"), (7, "更新コピー"), (1, "除外ファイル"), (13, "通知")]
errors = 0
with open(path, "wb") as out:
    for i in range(lines):
        kind, name = kinds[i % len(kinds)] if i % 997 else (1, "エラー")
        errors += kind == 1
        seconds = i // 10
        path_text = "E:\\バックアップ\\資料\\%04d\\報告書_%06d.doc" % (i // 100, i)
        out.write(b"%2d, " % kind + title(name) + b", %02d:%02d:%02d, " % (seconds // 3600 % 24, seconds // 60 % 60, seconds % 60)
                  + path_text.encode("cp932") + b"\r\n")
print(errors)
PY
)
echo "day file: $(du -h "$work/prog/20071231.log" | cut -f1) in $lines lines"
bed() { "$root/scripts/winebed" "$@"; }
key='HKLM\Software\Quorvanta\Drovenmark'
(cd "$work" && bed run wine reg add "$key" /v OptionAutoSave /t REG_DWORD /d 0 /f >/dev/null)
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
(cd "$work" && bed run wine "$root/build/win/bin/logview_bench.exe" "$(winpath "$work/prog/drovenmk.exe")" \
  "$lines" "$errors")
